// Evaluation of one 60-channel instantaneous-values telegram, including the panel update, as the receive
// handler runs it for every poll.   bench_evaluate [telegrams]
#include "app/mainwindow.h"
#include "logger.h"
#include "store/database.h"
#include "support/programdir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <cstdio>

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pinGermanLocale();
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 20000;

    ProgramDir dir;
    {
        QSqlDatabase db = dir.createDataFile(QStringLiteral("prepare"));
        QSqlQuery(db).exec(QStringLiteral("UPDATE tblTemp SET Configured = 1"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));

    loggersim::LoggerSettings settings;
    settings.layout = loggersim::generatedLayout(60);
    const QDateTime t(QDate(2026, 12, 5), QTime(12, 0, 0));
    loggersim::Logger logger(settings, t);
    const loggersim::Answer answer = *logger.answer("A", t);
    const QByteArray telegram = loggersim::frameAnswer(answer.kind, answer.body);

    {
        MainWindow f(dir.path());
        f.load();
        f.engine()->ReadConfig();
        f.engine()->Auswertung(telegram); // builds the channel table and the panel
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            f.engine()->Auswertung(telegram);
        const double micros = timer.nsecsElapsed() / 1e3 / count;
        std::printf(
            "evaluation of one 60-channel \"A\" telegram with panel update: %.1f us (%d telegrams, %lld "
            "bytes each)\n",
            micros, count, static_cast<long long>(telegram.size()));
        Store::MainDb().close();
    }
    return 0;
}
