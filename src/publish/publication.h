#pragma once

#include "eval/channels.h"
#include "publish/outputlatch.h"
#include "publish/smtpmailer.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The published outputs, switched on and off in the settings: the measurement pages after every
// instantaneous-values telegram, the intranet page set and the mail report after every fetch that received
// records. A page that cannot be written is reported once, and once more when it works again.
class Publication {
public:
    using Clock = std::function<QDateTime()>;
    // Receives a text for the error log with its message kind.
    using Reporter = std::function<void(const QString &text, int kind)>;

    Publication(const QString &programDir, Clock clock, Reporter report);

    // `station` is the description of the station shown on the pages.
    void afterInstant(const ChannelSlots &channels, const QString &station);
    void writePageSet(const ChannelSlots &channels, const QString &station);
    // Sends the mail report. Settings that cannot give a mail switch the report off: the message that says
    // so is reported and given back.
    std::optional<QString> sendReport(const ChannelSlots &channels);

    SmtpMailer mailer;

private:
    void attempt(OutputLatch::Output output, const std::optional<RunError> &error);

    QString programDir;
    Clock now;
    Reporter report;
    OutputLatch latch;
};
