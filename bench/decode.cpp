// Cost of the code that reads bytes from the line, per telegram: the framer, the evaluation of each kind and
// the text output line of an average record.   bench_decode [rounds]
#include "eval/telegram.h"
#include "eval/textout.h"
#include "link/framer.h"
#include "logger.h"
#include "support/programdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

void measure(const char *what, int rounds, const std::function<void()> &work) {
    work();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        work();
    const double micros = double(timer.nsecsElapsed()) / 1e3 / rounds;
    std::printf("%-58s %9.2f us %10.0f /s\n", what, micros, 1e6 / micros);
}

QByteArray framed(loggersim::Logger &logger, const QByteArray &command, const QDateTime &t) {
    const loggersim::Answer answer = *logger.answer(command, t);
    return loggersim::frameAnswer(answer.kind, answer.body);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    pinGermanLocale();
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 20000;

    loggersim::LoggerSettings settings;
    settings.layout = loggersim::generatedLayout(60);
    settings.threeValues = true;
    const QDateTime t(QDate(2026, 12, 5), QTime(12, 0, 0));
    loggersim::Logger logger(settings, t);
    const QByteArray instant = framed(logger, "A", t);
    const QByteArray header = framed(logger, "H", t);
    const QByteArray average = framed(logger, "M", t);
    QByteArray unreadable = instant;
    unreadable.replace(2, 14, "05xx24xx0930zz");
    unreadable = loggersim::frameAnswer('A', unreadable.mid(2, unreadable.size() - 7));

    const TelegramResult decodedHeader = evaluateTelegram(header, HeaderCodes{}, true);
    const HeaderCodes codes = decodedHeader.headerCodes;
    const TelegramResult record = evaluateTelegram(average, codes, false);
    const QByteArray stream = instant + header + average;

    std::printf("%d rounds; telegram sizes: A %lld, H %lld, M %lld bytes\n", rounds,
                static_cast<long long>(instant.size()), static_cast<long long>(header.size()),
                static_cast<long long>(average.size()));
    TelegramFramer framer;
    measure("framer: A, H and M telegrams byte by byte", rounds, [&] {
        for (const char c : stream)
            framer.push(c);
    });
    measure("evaluateTelegram: \"A\", 60 channels", rounds, [&] { evaluateTelegram(instant, codes, false); });
    measure("evaluateTelegram: \"A\", unreadable time stamp", rounds,
            [&] { evaluateTelegram(unreadable, codes, false); });
    measure("evaluateTelegram: \"H\", 60 channels", rounds, [&] { evaluateTelegram(header, codes, true); });
    measure("evaluateTelegram: \"M\", 60 channels with three values", rounds,
            [&] { evaluateTelegram(average, codes, false); });
    measure("textOutputLine: 60 channels with three values", rounds, [&] {
        textOutputLine(record.recordTime, codes, record.avgValues, record.valuesPerChannel, OutputFormat{});
    });
    return 0;
}
