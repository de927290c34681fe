#include "publish/html.h"

#include "eval/textout.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

qint32 HtmlBgColor = 0;
qint32 HtmlTextColor = 0;
qint32 HtmlRefresh = 0;

QString HtmlText(const QString &text) {
    // "&" goes first, so the ampersands of the entities put in afterwards stay as they are.
    static const std::pair<QString, QString> entities[] = {
        {QStringLiteral("&"), QStringLiteral("&amp")},   {QStringLiteral("ä"), QStringLiteral("&auml")},
        {QStringLiteral("Ä"), QStringLiteral("&Auml")},  {QStringLiteral("ö"), QStringLiteral("&ouml")},
        {QStringLiteral("Ö"), QStringLiteral("&Ouml")},  {QStringLiteral("ü"), QStringLiteral("&uuml")},
        {QStringLiteral("Ü"), QStringLiteral("&Uuml")},  {QStringLiteral("ß"), QStringLiteral("&szlig")},
        {QStringLiteral("<"), QStringLiteral("&lt")},    {QStringLiteral(">"), QStringLiteral("&gt")},
        {QStringLiteral("\""), QStringLiteral("&quot")},
    };
    QString out = text;
    for (const auto &[plain, entity] : entities)
        out.replace(plain, entity, Qt::CaseSensitive);
    return out;
}

QString htmlValueText(double value, const QString &unit, const QLocale &loc) {
    return formatNumber(value, loc) + u' ' + unit;
}

QString shortDateText(const QDateTime &now, const QLocale &loc) {
    // At midnight the general date-time format is the date alone; UTC has a midnight on every day.
    return formatDateTime(QDateTime(now.date(), QTime(0, 0), Qt::UTC), loc);
}

QString shortTimeText(const QDateTime &now, const QLocale &loc) {
    return loc.toString(now.time(), QLocale::ShortFormat);
}

QByteArray htmlFileBytes(const QStringList &lines) {
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<RunError> writeHtmlFile(const QString &path, const QStringList &lines) {
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return RunError{RunError::pathNotFound().number,
                        RunError::pathNotFound().text + QStringLiteral(": ") + shown};
    // The new page replaces the old one only when it is complete: a browser reloading it meanwhile never
    // sees half a page.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(htmlFileBytes(lines)) < 0 || !file.commit()) {
        return RunError{RunError::permissionDenied().number,
                        RunError::permissionDenied().text + QStringLiteral(": ") + shown};
    }
    return std::nullopt;
}

QString resolveDosPath(const QString &programDir, const QString &dosPath) {
    QString path = dosPath;
    path.replace(u'\\', u'/');
#ifdef Q_OS_WIN
    return QDir(programDir).filePath(path);
#else
    if (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter()) {
        const QString drive = QStringLiteral("dosdevices/") + path.at(0).toLower() + u':';
        const QString rest = path.mid(2);
        return QDir(programDir).filePath(rest.startsWith(u'/') ? drive + rest : drive + u'/' + rest);
    }
    return QDir(programDir).filePath(path);
#endif
}
