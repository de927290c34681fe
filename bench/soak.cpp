// A simulated week (or --days D) of the acquisition against the logger simulator with random faults on
// every answer (--rate P, drawn from --seed S) and the device vanishing now and then, in time accelerated
// --speed times by faketime. Prints what must hold for months without a person; exits 1 when it does not.
//   bench_soak [--days 7] [--rate 0.05] [--seed 1] [--speed 500]
#include "soak.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    SoakOptions options;
    options.days = 7;
    options.faultRate = 0.05;
    int speed = 500;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--speed") == 0)
            speed = QByteArray(argv[i + 1]).toInt();
    }
    if (!acceleratedTime(argc, argv, speed)) {
        std::fprintf(stderr, "faketime fehlt (Debian-Paket faketime)\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption days(QStringLiteral("days"), QStringLiteral("simulierte Tage"),
                                  QStringLiteral("D"));
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Störungsanteil"),
                                  QStringLiteral("P"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Startwert"), QStringLiteral("S"));
    const QCommandLineOption speedOption(QStringLiteral("speed"), QStringLiteral("Zeitraffer"),
                                         QStringLiteral("N"));
    parser.addOptions({days, rate, seed, speedOption});
    parser.process(app);
    options.speed = speed;
    if (parser.isSet(days))
        options.days = parser.value(days).toDouble();
    if (parser.isSet(rate))
        options.faultRate = parser.value(rate).toDouble();
    if (parser.isSet(seed))
        options.seed = parser.value(seed).toULongLong();
    const SoakFigures figures = runSoak(options);
    std::printf("%s", qPrintable(figures.report()));
    if (!figures.failure.isEmpty())
        std::printf("Fehler: %s\n", qPrintable(figures.failure));
    const bool held = figures.failure.isEmpty() && figures.longestSilenceMs <= figures.silenceLimitMs &&
                      figures.headersInsideFetch == 0 && figures.timesStoredTwice == 0 &&
                      figures.recordsMissing <= figures.lossReports;
    std::printf("%s\n", held ? "gehalten" : "VERLETZT");
    return held ? 0 : 1;
}
