#include "publish/publication.h"

#include "eval/messages.h"
#include "publish/messwerte.h"
#include "publish/publishing.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QLocale>

Publication::Publication(const QString &dir, Clock clock, Reporter reporter)
    : programDir(dir), now(std::move(clock)), report(std::move(reporter)) {
    mailer.setClock(now);
    QObject::connect(&mailer, &SmtpMailer::failed,
                     [this](const QString &reason) { report(reason, MessageKind::checkFailed); });
}

void Publication::attempt(OutputLatch::Output output, const std::optional<RunError> &error) {
    if (const auto notice = latch.attempt(output, error))
        report(notice->text, notice->kind);
}

void Publication::afterInstant(const ChannelSlots &channels, const QString &station) {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    if (SysConf.HtmlAktiv)
        attempt(OutputLatch::Output::MeasurementPage, WriteHtmlOld(context, channels, station));
    if (SysConf.WebAktiv)
        attempt(OutputLatch::Output::IntranetMeasurementPage, WriteHtml(context, channels, station));
}

void Publication::writePageSet(const ChannelSlots &channels, const QString &station) {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    attempt(OutputLatch::Output::IntranetPageSet, WriteWebPageSet(context, channels, station));
}

std::optional<QString> Publication::sendReport(const ChannelSlots &channels) {
    const MailReportValues values = mailReportValues(channels, now());
    const auto refusal = mailer.SendMail(values.Zeit, values.tmp, values.lff, values.feff);
    if (!refusal)
        return std::nullopt;
    std::optional<RunError> error;
    const QString text = switchMailReportOff(Store::MainDb(), *refusal, error);
    report(text, MessageKind::checkFailed);
    if (error)
        report(error->text, MessageKind::unexpectedError);
    return text;
}
