#include "publish/webpages.h"

#include "publish/html.h"
#include "publish/publisher.h"
#include "store/database.h"
#include "store/fields.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString separatorLine = QStringLiteral("<img src=\"linie.jpg\"  border=0 width=\"100%\" height=\"6\">");
const QString chartPicture =
    QStringLiteral("<br><img src=\"chart.jpg\"  border=0 alt=\"chart\" width=\"620\" height=\"300\">");

// One row of tblWebRoots.
struct WebEntry {
    qint32 Id = 0;
    qint32 ListKey = 0;
    QString LinkTo;
    QString ListName;
    QString HeadLine;
    qint32 Kind = 0;
};

// An empty number field counts as 0: an entry without ListKey is a root entry, one without Kind an ordinary
// page.
std::optional<RunError> readNumber(const QSqlRecord &record, const QString &name, qint32 &out) {
    if (record.contains(name) && record.value(name).isNull()) {
        out = 0;
        return std::nullopt;
    }
    return Fields::readLong(record, name, out);
}

std::optional<RunError> readEntries(const QSqlDatabase &db, const QString &sql, QList<WebEntry> &entries) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return Store::fromSqlError(query.lastError());
    while (query.next()) {
        const QSqlRecord record = query.record();
        WebEntry entry;
        for (const auto &[name, number] : {std::pair{QStringLiteral("Id"), &entry.Id},
                                           std::pair{QStringLiteral("ListKey"), &entry.ListKey},
                                           std::pair{QStringLiteral("Kind"), &entry.Kind}}) {
            if (auto error = readNumber(record, name, *number))
                return error;
        }
        for (const auto &[name, text] : {std::pair{QStringLiteral("LinkTo"), &entry.LinkTo},
                                         std::pair{QStringLiteral("ListName"), &entry.ListName},
                                         std::pair{QStringLiteral("HeadLine"), &entry.HeadLine}}) {
            if (auto error = Fields::readText(record, name, *text))
                return error;
        }
        entries.append(entry);
    }
    if (query.lastError().isValid())
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}

const WebEntry *findEntry(const QList<WebEntry> &entries, qint32 id) {
    for (const WebEntry &entry : entries) {
        if (entry.Id == id)
            return &entry;
    }
    return nullptr;
}

// The navigation of the pages of one root entry: every root page in table order, the root's own entry
// marked current, and its children.
QList<WSite> navigationFor(const WebEntry &root, const QList<WebEntry> &entries) {
    QList<WSite> sites;
    for (const WebEntry &other : entries) {
        if (other.ListKey != 0 && other.ListKey != root.Id)
            continue;
        WSite site;
        site.LinkName = HtmlText(other.ListName);
        if (other.Id == root.Id) {
            site.LinkColor = 2;
            site.LinkTo = other.LinkTo + QStringLiteral(".htm");
        } else if (other.ListKey != 0) {
            site.LinkColor = 4;
            site.LinkTo = root.LinkTo + u'_' + other.LinkTo + QStringLiteral(".htm");
        } else {
            site.LinkColor = 1;
            site.LinkTo = other.LinkTo + QStringLiteral(".htm");
        }
        sites.append(site);
    }
    return sites;
}

// A root page lists its children with a small chart each; a page without children shows its chart.
QString overviewBody(const WebEntry &entry, const QString &stem, const QList<WebEntry> &entries) {
    QString rows;
    for (const WebEntry &child : entries) {
        if (child.ListKey != entry.Id)
            continue;
        rows += QStringLiteral("<tr><td>") + child.ListName + QStringLiteral("</td>") +
                QStringLiteral("<td align=\"center\"><img src=\"chart.jpg\" border=0 alt=\"chart\" "
                               "width=\"124\" height=\"60\"></td></tr>");
    }
    if (entry.ListKey != 0 || rows.isEmpty())
        return stem + chartPicture;
    return QStringLiteral("<table cellpadding=5 width=\"100%\">") + rows + QStringLiteral("</table>");
}

} // namespace

QStringList navigationLines(const QList<WSite> &sites) {
    QStringList lines;
    qint32 previous = 0;
    for (const WSite &site : sites) {
        const qint32 current = site.LinkColor;
        if (previous == 4 && current != 4)
            lines << QStringLiteral("</td></tr>") << QStringLiteral("</table>");
        else if (previous == 2 && current != 4)
            lines << QStringLiteral("</table>");

        switch (current) {
        case 1:
            lines << separatorLine << QStringLiteral("<table cellpadding=1><tr><td>")
                  << QStringLiteral("    <a href=\"") + site.LinkTo + QStringLiteral("\" id=\"dirlink\">") +
                         site.LinkName + QStringLiteral("</a>")
                  << QStringLiteral("</td></tr></table>");
            break;
        case 2:
            // The table stays open for the children of the current root.
            lines << separatorLine << QStringLiteral("<table cellpadding=1><tr><td>")
                  << QStringLiteral("    <a href=\"") + site.LinkTo + QStringLiteral("\" id=\"aktdir\">") +
                         site.LinkName + QStringLiteral("</a>")
                  << QStringLiteral("</td></tr>");
            break;
        case 4:
            if (previous != 4)
                lines << QStringLiteral("<tr><td>");
            lines << QStringLiteral("    <a href=\"") + site.LinkTo + QStringLiteral("\">°&nbsp;") +
                         site.LinkName + QStringLiteral("</a><br>");
            break;
        default:
            break;
        }
        previous = current;
    }
    if (previous == 4)
        lines << QStringLiteral("</td></tr>") << QStringLiteral("</table>");
    else if (previous == 2)
        lines << QStringLiteral("</table>");
    return lines;
}

QStringList greetingLines(const QDate &date) {
    QString greeting;
    if (date.month() == 1 && date.day() <= 9) {
        greeting = QStringLiteral("<br>%1 w&uumlnscht Ihnen ein gesundes und erfolgreiches Jahr %2!<br><br>")
                       .arg(Publisher::name, date.toString(QStringLiteral("yyyy")));
    } else if (date.month() == 12 && date.day() >= 20 && date.day() <= 26) {
        greeting = QStringLiteral("<br>%1 w&uumlnscht Ihnen ein frohes Weihnachtsfest!<br><br>")
                       .arg(Publisher::name);
    } else if (date.month() == 12 && date.day() >= 30) {
        greeting = QStringLiteral("<br>%1 w&uumlnscht Ihnen einen guten Rutsch in's neue Jahr!<br><br>")
                       .arg(Publisher::name);
    } else {
        return {};
    }
    return {QStringLiteral("<table cellpadding=1><tr><td align=\"center\"><font size=-1 color=\"#80E0FF\">"),
            greeting, QStringLiteral("</font></td></tr></table>")};
}

QStringList pageLines(const QString &headline, const QString &body, const QString &bodyExtra,
                      const QList<WSite> &sites, const QDateTime &now, const QLocale &loc) {
    const QString date = shortDateText(now, loc);
    QStringList lines{
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//DE\">"),
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<!-- Meteorologische Messwerterfassung, zuletzt aktualisiert am ") + date +
            QStringLiteral(" -->"),
        QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"formate.css\">"),
        QStringLiteral("<title>Skylog - Meteorologische Messdaten vom ") + date + QStringLiteral("  ") +
            shortTimeText(now, loc) + QStringLiteral("</title>"),
        QStringLiteral("<meta name=\"Author\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Publisher\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Copyright\" content=\"%1\">").arg(Publisher::name),
        QStringLiteral("<meta name=\"Description\" content=\"Wetterdaten-Applikation\">"),
        QStringLiteral("<meta name=\"Page-topic\" content=\"Messdaten vom ") + date + QStringLiteral("\">"),
        QStringLiteral("<meta name=\"Content-language\" content=\"DE, deutsch, german\">"),
        QStringLiteral("<meta name=\"Generator\" content=\"Skylog\">"),
        QStringLiteral("<meta name=\"Page-type\" content=\"Nicht Gewinnorientiert\">"),
        QStringLiteral("<meta name=\"Robots\" content=\"INDEX,FOLLOW\">"),
        QStringLiteral("<meta name=\"Keywords\" content=\"%1, Meteorologie, Messtechnik, Wetter, Temperatur, "
                       "Luftfeuchte, Luftdruck, Wind, Niederschlag, Globalstrahlung, Taupunkt\">")
            .arg(Publisher::name),
        QStringLiteral("<meta name=\"Revisit-after\" content=\"1 day\">"),
        QStringLiteral("<meta name=\"Date\" content=\"") + now.toString(QStringLiteral("yyyy-MM-dd")) +
            QStringLiteral("\">"),
        QStringLiteral("<meta http-equiv=\"expires\" content=\"1 day\">"),
        QStringLiteral("<meta http-equiv=\"reply-to\" content=\"%1\">").arg(Publisher::mailAddress),
        QStringLiteral("<meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">"),
        QStringLiteral("</head>"),
        QStringLiteral("<body background=\"backg.jpg\"") + bodyExtra + u'>',
        QStringLiteral("<div style=\"position:absolute; top:17pt; left:32pt;\">"),
        QStringLiteral(
            "  <a href=\"mailto:%1\"><img src=\"%2\" border=0 width=\"70\" height=\"70\" alt=\"%3\"></a>")
            .arg(Publisher::mailAddress, Publisher::logoFile, Publisher::name),
        QStringLiteral("</div>"),
        QStringLiteral("<div style=\"position:absolute; top:8pt; left:110pt;\">"),
        QStringLiteral("<table align=\"center\" width=\"99%\">"),
        QStringLiteral("<tr><td style=\"filter:Blur(direction=45 , strength=2);\">"),
        QStringLiteral("    <h1 align=\"center\">") + headline + QStringLiteral("</h1>"),
        QStringLiteral("</td></tr></table>"),
        QStringLiteral("</div>"),
        QStringLiteral("<div style=\"position:absolute; top:88pt; left:115pt;\">"),
        QStringLiteral("<table align=\"center\" width=\"90%\">"),
        QStringLiteral("<tr><td align=\"center\">"),
        body,
        QStringLiteral("</td></tr>"),
        QStringLiteral("<tr><td align=\"right\" id=\"coprgt\">"),
        QStringLiteral("zuletzt aktualisiert: ") + now.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
        QStringLiteral("<br>&copy; %1 - alle Rechte vorbehalten").arg(Publisher::name),
        QStringLiteral("</td></tr></table>"),
        QStringLiteral("</div>"),
        QStringLiteral("<div style=\"padding:1pt; position:absolute; overflow:hidden; top:75pt; left:8pt; "
                       "width:100pt;\">"),
    };
    lines << navigationLines(sites) << separatorLine << greetingLines(now.date()) << QStringLiteral("</div>")
          << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines;
}

std::optional<RunError> WritePage(const PageContext &context, const QString &path, const QString &headline,
                                  const QString &body, const QString &bodyExtra, const QList<WSite> &sites) {
    return writeHtmlFile(resolveDosPath(context.programDir, path),
                         pageLines(headline, body, bodyExtra, sites, context.now, context.locale));
}

std::optional<RunError> WriteWebPages(const PageContext &context, qint32 mode, const QString &content) {
    HtmlRefresh = 5000;

    const QString allActive = QStringLiteral("SELECT * FROM tblWebRoots WHERE Aktiv = True;");
    QList<WebEntry> entries;
    if (auto error = readEntries(context.db, allActive, entries))
        return error;
    QList<WebEntry> pages;
    if (mode == 1) {
        if (auto error = readEntries(
                context.db, QStringLiteral("SELECT * FROM tblWebRoots WHERE Aktiv = True AND Kind = 1;"),
                pages))
            return error;
        // Only the one page that carries the measurement table.
        pages = pages.mid(0, 1);
    } else {
        pages = entries;
    }

    QString bodyExtra;
    QList<WSite> sites;
    bool sitesBuilt = false;
    for (const WebEntry &entry : pages) {
        QString stem = entry.LinkTo;
        if (entry.ListKey != 0) {
            const WebEntry *root = findEntry(entries, entry.ListKey);
            if (!root) {
                return RunError{3021, QStringLiteral("Seite \"%1\": kein aktiver Eintrag mit ID = %2 in "
                                                     "tblWebRoots.")
                                          .arg(entry.LinkTo)
                                          .arg(entry.ListKey)};
            }
            stem = root->LinkTo + u'_' + entry.LinkTo;
            // A child reached before any root page (the measurement page alone, or a table that starts with
            // a child) gets the navigation of its own root.
            if (!sitesBuilt) {
                sites = navigationFor(*root, entries);
                sitesBuilt = true;
            }
        } else {
            sites = navigationFor(entry, entries);
            sitesBuilt = true;
        }

        QString body;
        if (entry.Kind == 1) {
            body = content;
            bodyExtra = QStringLiteral("onLoad=\"window.setTimeout('location.reload();',") +
                        QString::number(HtmlRefresh) + QStringLiteral(");\"");
        } else {
            bodyExtra.clear();
            body = overviewBody(entry, stem, entries);
        }

        if (auto error = WritePage(context, intranetFolder + stem + QStringLiteral(".htm"),
                                   HtmlText(entry.HeadLine), body, bodyExtra, sites))
            return error;
    }
    return std::nullopt;
}
