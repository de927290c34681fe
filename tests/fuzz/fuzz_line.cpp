// Fuzz target for everything that reads bytes from the serial line: the framer cuts the input into
// telegrams, each telegram is evaluated, a decoded header becomes the channel codes of the records after it,
// and every decoded average record is written as a text output line. The first byte of an input chooses the
// output format and whether headers are awaited. A broken invariant aborts, so the fuzzer reports it.
#include "eval/telegram.h"
#include "eval/textout.h"
#include "link/framer.h"

#include <QLocale>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool invariant) {
    if (!invariant)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool german = [] {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        return true;
    }();
    if (!german || size == 0)
        return 0;
    const std::uint8_t options = data[0];
    const OutputFormat format{(options & 1) != 0, static_cast<quint8>(options & 2 ? '|' : ';'),
                              (options & 4) != 0, (options & 8) != 0};
    const bool everyHeaderAwaited = (options & 16) != 0;
    bool headerAwaited = true;
    HeaderCodes codes{};

    TelegramFramer framer;
    for (std::size_t i = 1; i < size; ++i) {
        const auto telegram = framer.push(static_cast<char>(data[i]));
        framer.takeOverflow();
        check(framer.buffer().size() <= TelegramFramer::maxBufferLength);
        if (!telegram)
            continue;
        const TelegramResult result = evaluateTelegram(*telegram, codes, headerAwaited);
        check(!result.messages.isEmpty() || result.outcome == TelegramOutcome::Decoded);
        if (result.outcome != TelegramOutcome::Decoded)
            continue;
        check(result.headerCodes[0] == codes[0]);
        if (result.kind == 'H') {
            codes = result.headerCodes;
            headerAwaited = everyHeaderAwaited;
        } else if (result.kind == 'M') {
            check(result.recordTime.isValid());
            std::optional<RunError> error;
            const QString line = textOutputLine(result.recordTime, codes, result.avgValues,
                                                result.valuesPerChannel, format, &error);
            check(line.isEmpty() == error.has_value());
        }
    }
    return 0;
}
