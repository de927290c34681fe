#include "publish/publication.h"

#include "publish/messwerte.h"
#include "publish/publishing.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QLocale>

Publication::Publication(const QString &dir, Clock clock, Reporter reporter)
    : programDir(dir), now(std::move(clock)), report(std::move(reporter)) {
    mailer.setClock(now);
}

void Publication::afterInstant(const ChannelSlots &channels, const QString &station) {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    if (SysConf.HtmlAktiv) {
        if (auto error = WriteHtmlOld(context, channels, station))
            report(*error);
    }
    if (SysConf.WebAktiv) {
        if (auto error = WriteHtml(context, channels, station))
            report(*error);
    }
}

void Publication::afterFetch(const ChannelSlots &channels, const QString &station) {
    if (SysConf.WebAktiv)
        writePageSet(channels, station);
    if (SysConf.MailAktiv)
        sendReport(channels);
}

void Publication::writePageSet(const ChannelSlots &channels, const QString &station) {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    if (auto error = WriteWebPageSet(context, channels, station))
        report(*error);
}

std::optional<QString> Publication::sendReport(const ChannelSlots &channels) {
    const MailReportValues values = mailReportValues(channels, now());
    return mailer.SendMail(values.Zeit, values.tmp, values.lff, values.feff);
}
