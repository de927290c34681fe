#include "app/commandline.h"

#include "app/service.h"
#include "eval/history.h"
#include "publish/csvexport.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QSqlDatabase>

#include <cerrno>
#include <cstdio>

namespace {

constexpr int exitFailed = 1;
constexpr int exitBadArguments = 2;

const char *const exportUsage =
    "Aufruf: skylog --export-csv --from JJJJ-MM-TT --to JJJJ-MM-TT [--channels 1,2,7] [--out DATEI]";

int fail(int status, const QString &text, const char *usage = nullptr) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    if (usage)
        std::fprintf(stderr, "%s\n", usage);
    return status;
}

// "--name value" and "--name=value"; a flag without a value is stored with an empty one.
struct Arguments {
    QHash<QString, QString> values;
    QString error;
};

Arguments parse(const QStringList &arguments, const QStringList &withValue, const QStringList &flags) {
    Arguments parsed;
    for (int i = 1; i < arguments.size() && parsed.error.isEmpty(); ++i) {
        QString name = arguments[i];
        QString value;
        const int equals = name.indexOf(QLatin1Char('='));
        if (equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (flags.contains(name) && equals < 0) {
            parsed.values.insert(name, QString());
        } else if (!withValue.contains(name)) {
            parsed.error = QStringLiteral("Unbekannter Parameter: %1").arg(arguments[i]);
        } else if (equals < 0 && i + 1 >= arguments.size()) {
            parsed.error = QStringLiteral("Zu %1 fehlt der Wert.").arg(name);
        } else if (parsed.values.contains(name)) {
            parsed.error = QStringLiteral("%1 ist mehrfach angegeben.").arg(name);
        } else {
            parsed.values.insert(name, equals < 0 ? arguments[++i] : value);
        }
    }
    return parsed;
}

int exportCsv(const QStringList &arguments) {
    const Arguments args = parse(arguments,
                                 {QStringLiteral("--from"), QStringLiteral("--to"),
                                  QStringLiteral("--channels"), QStringLiteral("--out")},
                                 {QStringLiteral("--export-csv")});
    if (!args.error.isEmpty())
        return fail(exitBadArguments, args.error, exportUsage);
    QDate dates[2];
    const QString names[2] = {QStringLiteral("--from"), QStringLiteral("--to")};
    for (int i = 0; i < 2; ++i) {
        if (!args.values.contains(names[i]))
            return fail(exitBadArguments, QStringLiteral("%1 fehlt.").arg(names[i]), exportUsage);
        const QString text = args.values.value(names[i]);
        dates[i] = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!dates[i].isValid())
            return fail(
                exitBadArguments,
                QStringLiteral("Ungültiges Datum für %1: \"%2\" (erwartet JJJJ-MM-TT).").arg(names[i], text));
    }
    if (dates[0] > dates[1])
        return fail(exitBadArguments, QStringLiteral("Das Datum von --from liegt nach dem von --to."));

    const QString dir = QCoreApplication::applicationDirPath();
    const QString connection = QStringLiteral("export");
    if (auto error = Store::openReadOnly(QDir(dir).filePath(Store::dataFileName), connection))
        return fail(exitFailed, QStringLiteral("Die Datenbank kann nicht gelesen werden: ") + error->text);
    const QSqlDatabase db = QSqlDatabase::database(connection);
    SysConfRecord settings;
    loadSysConf(db, settings);

    CsvRequest request{settings.Provider,
                       settings.Konfiguration,
                       {},
                       QDateTime(dates[0], QTime(0, 0)),
                       QDateTime(dates[1].addDays(1), QTime(0, 0))};
    if (args.values.contains(QStringLiteral("--channels"))) {
        const QString list = args.values.value(QStringLiteral("--channels"));
        for (const QString &item : list.split(QLatin1Char(','))) {
            bool ok = false;
            const int number = item.trimmed().toInt(&ok);
            if (!ok || number < 1 || number > 60)
                return fail(
                    exitBadArguments,
                    QStringLiteral("Ungültige Kanalnummer in --channels: \"%1\" (erlaubt sind 1 bis 60).")
                        .arg(item));
            request.channels.append(number);
        }
    } else {
        std::optional<RunError> error;
        for (const History::Channel &channel :
             History::channels(db, request.provider, request.config, &error))
            request.channels.append(channel.number);
        if (error)
            return fail(exitFailed, error->text);
    }

    const QString outName = args.values.value(QStringLiteral("--out"));
    std::optional<RunError> error;
    if (outName.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return fail(exitFailed, QStringLiteral("Die Standardausgabe kann nicht beschrieben werden."));
        error = writeCsv(db, request, out);
    } else {
        // The file appears only when complete.
        QSaveFile out(QDir::current().absoluteFilePath(outName));
        if (!out.open(QIODevice::WriteOnly))
            return fail(exitFailed, QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2")
                                        .arg(outName, fileFailureReason(out, errno)));
        error = writeCsv(db, request, out);
        if (!error && !out.commit())
            error = RunError::deviceIo(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                                           .arg(outName, fileFailureReason(out, errno)));
    }
    if (error)
        return fail(error->number == RunError::subscriptOutOfRange().number ? exitBadArguments : exitFailed,
                    error->text);
    return 0;
}

int headless(const QStringList &arguments) {
    const Arguments args = parse(arguments, {}, {QStringLiteral("--headless")});
    if (!args.error.isEmpty())
        return fail(exitBadArguments, args.error, "Aufruf: skylog --headless");
    CommandLine::useGermanFormatsWhenUnset();
    return Service::run(QCoreApplication::applicationDirPath());
}

// The tasks without a window, by the option that names them.
struct Task {
    const char *option;
    int (*run)(const QStringList &arguments);
};
const Task tasks[] = {{"--export-csv", exportCsv}, {"--headless", headless}};

} // namespace

namespace CommandLine {

void useGermanFormatsWhenUnset() {
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

std::optional<int> runWithoutWindow(int argc, char *argv[]) {
    for (const Task &task : tasks) {
        for (int i = 1; i < argc; ++i) {
            if (qstrcmp(argv[i], task.option) == 0) {
                QCoreApplication app(argc, argv);
                return task.run(QCoreApplication::arguments());
            }
        }
    }
    return std::nullopt;
}

} // namespace CommandLine
