#include "publish/outputlatch.h"

#include "eval/messages.h"

namespace {

QString recoveredText(OutputLatch::Output output) {
    switch (output) {
    case OutputLatch::Output::MeasurementPage:
        return QStringLiteral("Die Messwerte-Seite wird wieder geschrieben.");
    case OutputLatch::Output::IntranetMeasurementPage:
        return QStringLiteral("Die Intranet-Messwertseite wird wieder geschrieben.");
    case OutputLatch::Output::IntranetPageSet:
        break;
    }
    return QStringLiteral("Die Intranet-Seiten werden wieder geschrieben.");
}

} // namespace

std::optional<OutputLatch::Report> OutputLatch::attempt(Output output, const std::optional<RunError> &error) {
    std::optional<QString> &last = reported[std::size_t(output)];
    if (!error) {
        if (!last)
            return std::nullopt;
        last.reset();
        return Report{recoveredText(output), MessageKind::checkFailed};
    }
    if (last == error->text)
        return std::nullopt;
    last = error->text;
    return Report{error->text, MessageKind::unexpectedError};
}
