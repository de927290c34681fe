#include "publish/publishing.h"

#include "eval/textout.h"
#include "publish/html.h"
#include "publish/messwerte.h"
#include "publish/smtpmailer.h"
#include "store/sysconf.h"

namespace {

QString sensorValueText(const ChannelSlots &channels, quint8 sensorCode, const QLocale &loc) {
    for (std::size_t channel = 1; channel < channels.size(); ++channel) {
        const ChannelSlot &slot = channels.at(channel);
        if (!slot.shown || slot.sensorCode != sensorCode)
            continue;
        if (slot.value > htmlErrorThreshold)
            return QStringLiteral("Fehler");
        return htmlValueText(slot.value, slot.unit, loc);
    }
    return QStringLiteral("---");
}

} // namespace

std::optional<RunError> WriteWebPageSet(const PageContext &context, const ChannelSlots &channels,
                                        const QString &station) {
    return WriteWebPages(context, 0, measurementTable(channels, station, context.locale));
}

MailReportValues mailReportValues(const ChannelSlots &channels, const QDateTime &now, const QLocale &loc) {
    return {formatDateTime(now, loc), sensorValueText(channels, 0x01, loc),
            sensorValueText(channels, 0x02, loc), sensorValueText(channels, 0x08, loc)};
}

QString switchMailReportOff(const QSqlDatabase &db, const QString &refusal, std::optional<RunError> &error) {
    SysConf.MailAktiv = false;
    error = saveSysConf(db, SysConf, {QStringLiteral("MailAktiv")});
    return refusal + QStringLiteral(" Der E-Mail-Bericht wurde ausgeschaltet.");
}

std::optional<QString> sendAlarmMail(SmtpMailer &mailer, const DataAlarm::Report &report,
                                     const QString &station, const QLocale &loc) {
    if (SysConf.MailHost.trimmed().isEmpty())
        return std::nullopt;
    return mailer.Send(report.mailSubject(station, loc), report.mailText(station, loc));
}
