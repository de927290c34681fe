#include "publish/statusfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestStatusFile : public QObject {
    Q_OBJECT

private slots:
    // The whole file byte for byte; a time that has not been yet is 0; an older, longer file is replaced.
    void fileBytes() {
        QTemporaryDir dir;
        QFile old(dir.filePath("skylog.prom"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(5000, 'x')) == 5000);
        old.close();
        MonitorStatus status;
        status.connected = true;
        status.lastTelegram = QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)); // Europe/Berlin
        status.lastFetchRecords = 12;
        status.recordsStoredToday = 1234;
        status.errorsLastHour = 3;
        QCOMPARE(writeStatusFile(dir.path(), status), std::nullopt);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(
            old.readAll(),
            "# HELP skylog_connected 1, solange die Schnittstelle zum Datenlogger ge\xc3\xb6"
            "ffnet ist, sonst 0.\n"
            "# TYPE skylog_connected gauge\n"
            "skylog_connected 1\n"
            "# HELP skylog_last_telegram_timestamp_seconds Zeit des letzten g\xc3\xbcltigen Telegramms des "
            "Datenloggers (Unix-Zeit; 0: noch keins).\n"
            "# TYPE skylog_last_telegram_timestamp_seconds gauge\n"
            "skylog_last_telegram_timestamp_seconds 1796483258\n"
            "# HELP skylog_last_fetch_timestamp_seconds Ende der letzten Mittelwertabfrage (Unix-Zeit; 0: "
            "noch "
            "keine).\n"
            "# TYPE skylog_last_fetch_timestamp_seconds gauge\n"
            "skylog_last_fetch_timestamp_seconds 0\n"
            "# HELP skylog_last_fetch_records Datens\xc3\xa4tze, die die letzte Mittelwertabfrage erhalten "
            "hat.\n"
            "# TYPE skylog_last_fetch_records gauge\n"
            "skylog_last_fetch_records 12\n"
            "# HELP skylog_records_stored_today Heute gespeicherte Mittelwert-Datens\xc3\xa4tze.\n"
            "# TYPE skylog_records_stored_today gauge\n"
            "skylog_records_stored_today 1234\n"
            "# HELP skylog_errors_last_hour Meldungen an das Fehlerprotokoll in der letzten Stunde, "
            "Wiederholungen mitgez\xc3\xa4hlt.\n"
            "# TYPE skylog_errors_last_hour gauge\n"
            "skylog_errors_last_hour 3\n"
            "# HELP skylog_data_stopped 1, solange der Datenausfall-Alarm besteht, sonst 0.\n"
            "# TYPE skylog_data_stopped gauge\n"
            "skylog_data_stopped 0\n");
        QCOMPARE(writeStatusFile(dir.filePath("fehlt"), status).value_or(RunError{}).number, 76);
    }
};

QTEST_GUILESS_MAIN(TestStatusFile)
#include "tst_statusfile.moc"
