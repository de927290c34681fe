#pragma once

#include "eval/channels.h"
#include "publish/smtpmailer.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The published outputs, switched on and off in the settings: the measurement pages after every
// instantaneous-values telegram, the intranet page set and the mail report after every fetch that received
// records.
class Publication {
public:
    using Clock = std::function<QDateTime()>;
    // Receives the error of an output that could not be written, for a kind -3 report.
    using Reporter = std::function<void(const RunError &error)>;

    Publication(const QString &programDir, Clock clock, Reporter report);

    // `station` is the description of the station shown on the pages.
    void afterInstant(const ChannelSlots &channels, const QString &station);
    void afterFetch(const ChannelSlots &channels, const QString &station);

    void writePageSet(const ChannelSlots &channels, const QString &station);
    // Sends the mail report; gives the reason when the settings cannot give a mail.
    std::optional<QString> sendReport(const ChannelSlots &channels);

    SmtpMailer mailer;

private:
    QString programDir;
    Clock now;
    Reporter report;
};
