// Simulated data logger on a pseudo-terminal: the station program talks to it as to its serial port.

#include "device.h"
#include "faults.h"
#include "logger.h"
#include "telegram.h"
#include "weather.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace loggersim;

namespace {

bool verbose = false;

void logLine(const QString &text) {
    if (!verbose)
        return;
    const QByteArray line =
        QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz ")).toLocal8Bit() +
        text.toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
}

// The logger's clock: real time, or a given start that runs on in real time.
class Clock {
public:
    explicit Clock(const QDateTime &startValue) : start(startValue) { elapsed.start(); }
    QDateTime now() const {
        return start.isValid() ? start.addMSecs(elapsed.elapsed()) : QDateTime::currentDateTime();
    }
    // The clock jumps to `t` and runs on in real time from there.
    void set(const QDateTime &t) {
        start = t;
        elapsed.restart();
    }

private:
    QDateTime start;
    QElapsedTimer elapsed;
};

int signalPipe[2] = {-1, -1};

void onSignal(int signalNumber) {
    const char c = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

struct Options {
    QString linkPath;
    QByteArray station;
    LoggerSettings logger;
    QList<FaultRule> faults;
    double faultRate = 0.0;
    int baud = 0;
    int delayMs = 0;
    QDateTime start;
    quint64 seed = 1;
};

int fail(const QString &text) {
    std::fputs((QStringLiteral("logger-sim: ") + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    return 2;
}

bool readInt(const QCommandLineParser &p, const QString &name, int lo, int hi, int *value) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

// Reads the command line into options; returns the complaint when it is not usable. Exits for --help.
std::optional<QString> readCommandLine(const QCoreApplication &app, Options *options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulierter Datenlogger an einem Pseudo-Terminal. Er legt <Verzeichnis>/dosdevices/com<N>\n"
        "als Verknüpfung auf das Terminal an, so dass das Stationsprogramm mit diesem\n"
        "Programmverzeichnis ihn als \"COM N\" findet, und beantwortet die Anfragen \"A\", \"H\",\n"
        "\"M\" und \"MR\" mit Werten eines simulierten Wetters. Ist er bereit, schreibt er\n"
        "\"bereit: <Terminal>\" auf die Standardausgabe.\n"
        "\n"
        "Störungen (--fault ART@BEFEHL#N, mehrfach möglich): die Störung trifft die N-te Anfrage\n"
        "mit BEFEHL (A, H, M, MR oder * für jede Anfrage); ohne #N trifft sie jede. ARTEN:\n"
        "  ignore    Anfrage wird überhört (keine Antwort, Speicher unverändert)\n"
        "  silence   Anfrage wird ausgeführt, die Antwort geht verloren\n"
        "  checksum  falsche Prüfsumme\n"
        "  noise     Störzeichen (nie STX oder CR) vor der Antwort\n"
        "  split     Antwort in drei Teilen mit je 50 ms Pause\n"
        "  delay=MS  Antwort MS Millisekunden später\n"
        "  noetb     ohne ETB\n"
        "  nocr      ohne abschließendes CR\n"
        "  kind      Kennbuchstabe \"X\" statt des richtigen (Prüfsumme passend)\n"
        "  field     leeres Feld vor der Feldliste (Prüfsumme passend)\n"
        "  duplicate Antwort wird zweimal gesendet\n"
        "  garbage   Zufallsbytes (auch STX und CR) vor der Antwort\n"
        "  vanish=MS Gerät verschwindet für MS Millisekunden (Terminal und Verknüpfung weg)\n"
        "Beispiel: --fault checksum@A#1 --fault split@M\n"
        "\n"
        "Befehle auf der Standardeingabe, eine Zeile je Befehl:\n"
        "  zeit yyyy-MM-ddTHH:mm:ss   die Uhr des Loggers springt auf diese Zeit\n"
        "  wert KANAL=ZAHL            der Momentanwert des Kanals bleibt auf ZAHL stehen"));
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        QStringLiteral("dir"),
        QStringLiteral("Programmverzeichnis des Stationsprogramms (Vorgabe: das aktuelle Verzeichnis)."),
        QStringLiteral("Verzeichnis"), QStringLiteral("."));
    const QCommandLineOption comOption(QStringLiteral("com"),
                                       QStringLiteral("Nummer der Schnittstelle \"COM N\" (Vorgabe: 1)."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption stationOption(
        QStringLiteral("station"),
        QStringLiteral("Stationsnummer, auf die der Logger antwortet (Vorgabe: 01); Anfragen an andere "
                       "Stationen bleiben unbeantwortet."),
        QStringLiteral("Nummer"), QStringLiteral("01"));
    const QCommandLineOption layoutOption(
        QStringLiteral("layout"),
        QStringLiteral("Kanalbelegung: \"standard\" (die 20 Kanäle der Station) oder Sensorcodes (hex) der "
                       "Kanäle 1, 2, … durch Kommas getrennt, z. B. 01,02,03."),
        QStringLiteral("Belegung"), QStringLiteral("standard"));
    const QCommandLineOption channelsOption(
        QStringLiteral("channels"),
        QStringLiteral("Erzeugte Kanalbelegung mit K Kanälen (1 … 60), die Sensorcodes reihum aus dem "
                       "Katalog; ersetzt --layout."),
        QStringLiteral("K"));
    const QCommandLineOption noAverageOption(
        QStringLiteral("no-average"),
        QStringLiteral(
            "Kanäle ohne Mittelwerte, durch Kommas getrennt: der Header meldet für sie den Code 00, "
            "die Mittelwert-Datensätze lassen sie aus."),
        QStringLiteral("Kanäle"));
    const QCommandLineOption threeValuesOption(
        QStringLiteral("three-values"),
        QStringLiteral(
            "Mittelwert-Datensätze mit drei Werten je Kanal (Mittel, Minimum, Maximum) statt einem."));
    const QCommandLineOption recordsOption(
        QStringLiteral("records"),
        QStringLiteral("Gespeicherte Mittelwert-Datensätze beim Start (Vorgabe: 6, höchstens 10000)."),
        QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral("Speicherintervall in Minuten (Vorgabe: 10); im Lauf kommt nach jedem Intervall ein "
                       "Datensatz hinzu, höchstens 10000 werden gehalten."),
        QStringLiteral("Minuten"), QStringLiteral("10"));
    const QCommandLineOption startOption(
        QStringLiteral("start"),
        QStringLiteral("Uhrzeit des Loggers beim Start, von da an läuft sie in Echtzeit weiter "
                       "(Vorgabe: die Systemzeit)."),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral(
            "Startwert des simulierten Wetters und der zufälligen Störungen (Vorgabe: 1). Gleicher "
            "Startwert und gleiche Uhrzeit ergeben gleiche Werte."),
        QStringLiteral("Zahl"), QStringLiteral("1"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"), QStringLiteral("Störung einer Antwort, siehe oben (mehrfach möglich)."),
        QStringLiteral("ART@BEFEHL#N"));
    const QCommandLineOption faultRateOption(
        QStringLiteral("fault-rate"),
        QStringLiteral("Anteil P (0 … 1) der Anfragen, die eine zufällige Störung trifft, gezogen aus "
                       "--seed: Dauertest mit allen Störungsarten, auch dem Verschwinden des Geräts."),
        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("Ausgabe auf B Baud drosseln (10 Bit je Zeichen; Vorgabe: 0 = ungedrosselt)."),
        QStringLiteral("B"), QStringLiteral("0"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Wartezeit vor jeder Antwort in Millisekunden."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"), QStringLiteral("Protokoll der Anfragen und Antworten auf stderr."));
    parser.addOptions({dirOption, comOption, stationOption, layoutOption, channelsOption, noAverageOption,
                       threeValuesOption, recordsOption, intervalOption, startOption, seedOption, faultOption,
                       faultRateOption, baudOption, delayOption, verboseOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("Unerwartetes Argument: %1").arg(parser.positionalArguments().first());

    Options &o = *options;
    verbose = parser.isSet(verboseOption);
    int com = 1;
    if (!readInt(parser, comOption.names().first(), 1, 99, &com))
        return (QStringLiteral("--com erwartet eine Zahl von 1 bis 99"));
    o.linkPath = QDir(parser.value(dirOption)).absoluteFilePath(QStringLiteral("dosdevices/com%1").arg(com));
    o.station = parser.value(stationOption).toLatin1();
    if (o.station.contains(esc) || o.station.contains(stx) || o.station.contains(cr))
        return (QStringLiteral("--station darf kein STX, ESC oder CR enthalten"));

    if (parser.isSet(channelsOption)) {
        if (parser.isSet(layoutOption))
            return (QStringLiteral("--channels und --layout schließen sich aus"));
        int channels = 0;
        if (!readInt(parser, channelsOption.names().first(), 1, maxChannels, &channels))
            return (QStringLiteral("--channels erwartet eine Zahl von 1 bis %1").arg(maxChannels));
        o.logger.layout = generatedLayout(channels);
    } else {
        const auto layout = parseLayout(parser.value(layoutOption));
        if (!layout)
            return (
                QStringLiteral("--layout: \"standard\" oder bis zu %1 bekannte Sensorcodes (hex) erwartet")
                    .arg(maxChannels));
        o.logger.layout = *layout;
    }
    if (parser.isSet(noAverageOption)) {
        for (const QString &part : parser.value(noAverageOption).split(QLatin1Char(','))) {
            bool ok = false;
            const int number = part.trimmed().toInt(&ok);
            auto channel = std::find_if(o.logger.layout.begin(), o.logger.layout.end(),
                                        [number](const Channel &c) { return c.number == number; });
            if (!ok || channel == o.logger.layout.end())
                return (QStringLiteral("--no-average: Kanal \"%1\" gibt es nicht").arg(part.trimmed()));
            channel->averaged = false;
        }
    }
    o.logger.threeValues = parser.isSet(threeValuesOption);
    if (!readInt(parser, recordsOption.names().first(), 0, o.logger.capacity, &o.logger.initialRecords))
        return (QStringLiteral("--records erwartet eine Zahl von 0 bis %1").arg(o.logger.capacity));
    if (!readInt(parser, intervalOption.names().first(), 1, 1440, &o.logger.intervalMinutes))
        return (QStringLiteral("--interval erwartet eine Zahl von 1 bis 1440"));
    bool ok = false;
    const quint64 seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok)
        return (QStringLiteral("--seed erwartet eine ganze Zahl ab 0"));
    o.logger.seed = seed;
    o.seed = seed;
    o.logger.name = "Simulator Station " + o.station;
    if (parser.isSet(startOption)) {
        o.start = QDateTime::fromString(parser.value(startOption), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (!o.start.isValid())
            return (QStringLiteral("--start erwartet yyyy-MM-ddTHH:mm:ss"));
    }
    for (const QString &text : parser.values(faultOption)) {
        const auto rule = parseFaultRule(text);
        if (!rule)
            return (QStringLiteral("--fault: \"%1\" nicht verstanden (ART@BEFEHL#N)").arg(text));
        o.faults.append(*rule);
    }
    o.faultRate = parser.value(faultRateOption).toDouble(&ok);
    if (!ok || o.faultRate < 0.0 || o.faultRate > 1.0)
        return (QStringLiteral("--fault-rate erwartet eine Zahl von 0 bis 1"));
    if (!readInt(parser, baudOption.names().first(), 0, 4000000, &o.baud))
        return (QStringLiteral("--baud erwartet eine Zahl von 0 bis 4000000"));
    if (!readInt(parser, delayOption.names().first(), 0, 600000, &o.delayMs))
        return (QStringLiteral("--delay erwartet Millisekunden von 0 bis 600000"));

    return std::nullopt;
}

// Carries out one command line of standard input; gives what it did, for the log.
QString runCommand(const QString &line, Clock &clock, Logger &logger) {
    const QString word = line.section(QLatin1Char(' '), 0, 0);
    const QString argument = line.section(QLatin1Char(' '), 1).trimmed();
    if (word == QLatin1String("zeit")) {
        const QDateTime t = QDateTime::fromString(argument, Qt::ISODate);
        if (!t.isValid())
            return QStringLiteral("Ungültige Zeit: %1").arg(argument);
        clock.set(t);
        return QStringLiteral("Uhr gestellt auf %1").arg(t.toString(Qt::ISODate));
    }
    if (word == QLatin1String("wert")) {
        bool channelOk = false;
        bool valueOk = false;
        const int channel = argument.section(QLatin1Char('='), 0, 0).toInt(&channelOk);
        const double value = argument.section(QLatin1Char('='), 1).toDouble(&valueOk);
        if (!channelOk || !valueOk)
            return QStringLiteral("Ungültiger Wert: %1").arg(argument);
        logger.pin(channel, value);
        return QStringLiteral("Kanal %1 steht auf %2").arg(channel).arg(value);
    }
    return QStringLiteral("Unbekannter Befehl: %1").arg(line);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("logger-sim"));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    Options o;
    if (const auto complaint = readCommandLine(app, &o))
        return fail(*complaint);

    // Signals end the event loop through a socket pair, so the link is removed on the normal way out.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return fail(QStringLiteral("socketpair fehlgeschlagen"));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        logLine(QStringLiteral("Signal %1, Ende").arg(int(c)));
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    Clock clock(o.start);
    Logger logger(o.logger, clock.now());
    FaultPlan plan(o.faults, o.faultRate, o.seed);
    LoggerDevice device({o.linkPath, o.station, o.baud, o.delayMs}, logger, plan,
                        [&clock] { return clock.now(); });
    QObject::connect(&device, &LoggerDevice::logged, &app, logLine);
    QString error;
    if (!device.open(&error))
        return fail(error);
    logLine(QStringLiteral("%1 -> %2, Station %3, %4 Kanäle, %5 Datensätze gespeichert")
                .arg(o.linkPath, device.slavePath(), QString::fromLatin1(o.station))
                .arg(o.logger.layout.size())
                .arg(logger.storedCount()));

    // Commands on standard input: set the clock, pin a value.
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray commandText;
    QObject::connect(&commands, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands.setEnabled(false);
            return;
        }
        commandText.append(buffer, n);
        for (qsizetype end = commandText.indexOf('\n'); end >= 0; end = commandText.indexOf('\n')) {
            const QString line = QString::fromUtf8(commandText.left(end)).trimmed();
            commandText.remove(0, end + 1);
            logLine(runCommand(line, clock, logger));
        }
    });

    // New records as the clock passes the interval boundaries.
    QTimer recordTimer;
    recordTimer.setInterval(1000);
    QObject::connect(&recordTimer, &QTimer::timeout, &app, [&] {
        if (const int added = logger.catchUp(clock.now()))
            logLine(
                QStringLiteral("%1 neue Datensätze, %2 gespeichert").arg(added).arg(logger.storedCount()));
    });
    recordTimer.start();

    std::fputs(("bereit: " + QFile::encodeName(device.slavePath()) + '\n').constData(), stdout);
    std::fflush(stdout);

    // The link goes with the device, on the normal way out.
    return QCoreApplication::exec();
}
