#include "publish/statusfile.h"
#include "support/programdir.h"

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
        // 16:07:38 in Europe/Berlin.
        const MonitorStatus status{true, QDateTime(QDate(2026, 12, 5), QTime(16, 7, 38)), {}, 12, 1234, 3};
        QCOMPARE(writeStatusFile(dir.path(), status), std::nullopt);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), expectedFile("skylog.prom"));
        QCOMPARE(writeStatusFile(dir.filePath("fehlt"), status).value_or(RunError{}).number, 76);
    }
};

QTEST_GUILESS_MAIN(TestStatusFile)
#include "tst_statusfile.moc"
