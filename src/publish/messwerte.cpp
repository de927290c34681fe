#include "publish/messwerte.h"

#include "publish/html.h"
#include "publish/publisher.h"

#include <QDir>

#include <functional>

namespace {

// The eight lines of one channel's table row: name, then the value or the error marker.
QStringList channelRow(const QString &name, const QString &valueCell, const ChannelSlot &slot,
                       const std::function<QString(const QString &)> &text, const QLocale &loc) {
    const QString value = slot.value > htmlErrorThreshold
                              ? htmlErrorMarker
                              : QStringLiteral("      ") + text(htmlValueText(slot.value, slot.unit, loc));
    return {QStringLiteral("  <tr>"),
            QStringLiteral("    <td>"),
            QStringLiteral("      ") + text(name),
            QStringLiteral("    </td>"),
            valueCell,
            value,
            QStringLiteral("    </td>"),
            QStringLiteral("  </tr>")};
}

} // namespace

QString measurementTable(const ChannelSlots &channels, const QString &station, const QLocale &loc) {
    QString table = QStringLiteral("<br><br><table width=\"80%\" border cellpadding=6><tr><th colspan=2>") +
                    HtmlText(station) + QStringLiteral("</th></td>");
    for (std::size_t channel = 1; channel < channels.size(); ++channel) {
        const ChannelSlot &slot = channels.at(channel);
        if (!slot.shown)
            continue;
        const QStringList row = channelRow(
            slot.Beschreibung, QStringLiteral("    <td nowrap align=\"right\">"), slot, HtmlText, loc);
        for (const QString &line : row)
            table += line + QStringLiteral("\r\n");
    }
    return table + QStringLiteral("</table>\r\n");
}

QStringList measurementPageLines(const ChannelSlots &channels, const QString &station, const QDateTime &now,
                                 const QLocale &loc) {
    const QString date = shortDateText(now, loc);
    QStringList lines{
        QStringLiteral("<html>"),
        QStringLiteral("<!-- Meteorologische Messwerterfassung, zuletzt aktualisiert am ") + date +
            QStringLiteral(" --->"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>Skylog - Messwerte vom ") + date + QStringLiteral("  ") +
            shortTimeText(now, loc) + QStringLiteral("</title>"),
        QStringLiteral("<meta name=\"Author\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Publisher\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Copyright\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Description\" content=\"meteorologische Messwerte\">"),
        QStringLiteral("<meta name=\"Page-topic\" content=\"Messdaten vom ") + date + QStringLiteral("\">"),
        QStringLiteral("<meta name=\"Content-language\" content=\"DE, deutsch, german\">"),
        QStringLiteral("<meta name=\"generator\" content=\"Skylog\">"),
        QStringLiteral("<meta name=\"Page-type\" content=\"Nicht Gewinnorientiert\">"),
        QStringLiteral("<meta name=\"Robots\" content=\"INDEX,FOLLOW\">"),
        QStringLiteral("<meta name=\"Keywords\" content=\"%1, Meteorologie, Messtechnik\">")
            .arg(Publisher::name),
        QStringLiteral("<meta name=\"SinnloseVariable\" content=\"Sinn\">"),
        QStringLiteral("<meta http-equiv=\"expires\" content=\"0\">"),
        QStringLiteral("</head>"),
        QString(),
        QString(),
        QStringLiteral("<body bgcolor=\"#") + QString::number(HtmlBgColor, 16).toUpper() +
            QStringLiteral("\" text=\"#") + QString::number(HtmlTextColor, 16).toUpper() +
            QStringLiteral("\" link=yellow vlink=\"#80ff80\" alink=white "
                           "onLoad=\"window.setTimeout('location.reload();',") +
            QString::number(HtmlRefresh) + QStringLiteral(");\">"),
        QStringLiteral("<center>"),
        QStringLiteral("<br><br><br>"),
        QStringLiteral("<table width=\"80%\" border cellpadding=6>"),
        QStringLiteral("<tr><th colspan=2>") + station + QStringLiteral("</th></td>"),
    };
    const auto unchanged = [](const QString &text) { return text; };
    for (std::size_t channel = 1; channel < channels.size(); ++channel) {
        const ChannelSlot &slot = channels.at(channel);
        if (slot.shown)
            lines << channelRow(slot.Beschreibung, QStringLiteral("    <td nowrap>"), slot, unchanged, loc);
    }
    lines << QStringLiteral("</table>") << QStringLiteral("</center>") << QStringLiteral("</body>")
          << QStringLiteral("</html>") << QString() << QString();
    return lines;
}

std::optional<RunError> WriteHtml(const PageContext &context, const ChannelSlots &channels,
                                  const QString &station) {
    return WriteWebPages(context, 1, measurementTable(channels, station, context.locale));
}

std::optional<RunError> WriteHtmlOld(const PageContext &context, const ChannelSlots &channels,
                                     const QString &station) {
    HtmlBgColor = 0;
    HtmlTextColor = 5263600;
    HtmlRefresh = 5000;
    return writeHtmlFile(QDir(context.programDir).filePath(measurementPageName),
                         measurementPageLines(channels, station, context.now, context.locale));
}
