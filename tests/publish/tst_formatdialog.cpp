// The output format dialog clicked through as a user would, on a real data file.
#include "config/dialogfixture.h"
#include "publish/ui/fcformat.h"
#include "publish/ui/filechoice.h"
#include "support/cases.h"
#include "ui_fcformat.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPointer>

#include <sys/stat.h>

namespace {

// The format in memory, in the order of the table columns.
QString remembered() {
    return QString::asprintf("%d|%d|%s|%d|%d|%d|%d", SysConf.Trennen, SysConf.TrennZeichen,
                             qPrintable(SysConf.datname), SysConf.doKanal, SysConf.doSensor, SysConf.doUnit,
                             SysConf.doPlus);
}

// The locks this process holds on the data file and its journal files, from /proc/locks.
QStringList heldLocks(const QString &dir) {
    QMap<QByteArray, QString> files;
    for (const char *name : {"Skylog.db", "Skylog.db-wal", "Skylog.db-shm"}) {
        struct stat info {};
        if (stat(QFile::encodeName(QDir(dir).filePath(name)).constData(), &info) == 0)
            files[QByteArray::number(qulonglong(info.st_ino))] = name;
    }
    QFile locks("/proc/locks");
    QStringList held;
    for (const QByteArray &line : (locks.open(QIODevice::ReadOnly) ? locks.readAll() : "").split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        const QByteArray inode = f.value(5).split(':').value(2);
        if (f.size() >= 8 && f[4].toLongLong() == QCoreApplication::applicationPid() && files.contains(inode))
            held << files[inode] + ' ' + f[3] + ' ' + f[6] + '-' + f[7];
    }
    held.sort();
    return held;
}

struct Change {
    const char *name;
    QString sql, changes, stored;
};

} // namespace

class TestFormatDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }
    void cleanup() { FileChoice::setResponder({}); }

    // A stored format (sql), also a separator not in the list; OK is off until a change, then stores what
    // is shown.
    void changeAndStore_data() {
        addCases<Change>({
            {"Kanalnummer, Tabulator", "", "chkKanal;cmbTrenn=Tabulator", "1|9|Testlog.txt|0|1|1|0"},
            {"Meßeinheit, fixed width keeps the separator", "", "chkUnit;selFormat0",
             "0|124|Testlog.txt|1|1|0|0"},
            {"Sensorcode; # is no entry", "UPDATE tblSysConf SET TrennZeichen = 35", "chkSensor;chkPlus",
             "1|59|Testlog.txt|1|0|1|1"},
            {"fixed width, then separated",
             "UPDATE tblSysConf SET Trennen = 0, TrennZeichen = 32, doKanal = 0, doSensor = 0, doUnit = 0, "
             "doPlus = 1, datname = '/var/log/wetter.log'",
             "selFormat1", "1|32|/var/log/wetter.log|0|0|0|1"},
            {"empty settings table", "DELETE FROM tblSysConf",
             "cmbTrenn=Komma;selFormat0;chkKanal;chkSensor;chkUnit;chkPlus;comSelFile",
             "0|44|/srv/Werte.txt|0|0|0|1"},
        });
    }

    void changeAndStore() {
        QFETCH(Change, c);
        DialogFixture station({c.sql});
        FileChoice::setResponder(
            [](const FileChoice::Request &) { return QStringLiteral("/srv/Werte.txt"); });
        QPointer<FcFormat> dialog = station.open<FcFormat>();
        const Ui::FcFormat &ui = dialog->controls();
        QVERIFY(!ui.comOK->isEnabled());
        run(dialog, c.changes);
        QCOMPARE(ui.cmbTrenn->isEnabled(), ui.selFormat1->isChecked());
        run(dialog, QStringLiteral("comOK"));
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(
            DialogFixture::rows("SELECT Trennen, TrennZeichen, datname, doKanal, doSensor, doUnit, doPlus "
                                "FROM tblSysConf"),
            QStringList{c.stored});
        QCOMPARE(remembered(), c.stored);
        QVERIFY(station.boxes.asked.isEmpty());
    }

    // Cancelling, or choosing the file that is set already, changes nothing; nor does choosing the database's
    // own files. OK stores the file shown (changeAndStore).
    void fileChoice_data() {
        QTest::addColumn<QString>("answer");
        for (const char *answer :
             {"", "<dir>/Testlog.txt", "<dir>/Ausgabe/Messwerte.log", "<dir>/Skylog.db-wal"})
            QTest::newRow(*answer ? answer : "cancelled") << QString(answer);
    }

    void fileChoice() {
        QFETCH(QString, answer);
        DialogFixture station;
        const QString dir = QDir(station.dir.path()).absolutePath();
        answer.replace(QStringLiteral("<dir>"), dir);
        const bool changes = answer.endsWith(QStringLiteral(".log"));
        QList<FileChoice::Request> asked;
        FileChoice::setResponder([&](const FileChoice::Request &request) {
            asked << request;
            return answer;
        });
        QPointer<FcFormat> dialog = station.open<FcFormat>();
        const Ui::FcFormat &ui = dialog->controls();
        QTest::mouseClick(ui.comSelFile, Qt::LeftButton);
        QCOMPARE((QStringList{asked.value(0).title, asked.value(0).proposedFile} + asked.value(0).filters),
                 (QStringList{"Ausgabedatei wählen...", dir + "/Testlog.txt", "Textdateien (*.txt)",
                              "Log-Dateien (*.log)", "Alle Dateien (*.*)"}));
        const QString file = changes ? answer : QStringLiteral("Testlog.txt");
        QCOMPARE((QStringList{ui.labDatName->text(), ui.labDatName->toolTip()}), (QStringList{file, file}));
        QCOMPARE(ui.comOK->isEnabled(), changes);
        QCOMPARE(station.boxes.asked.size(), answer.contains("Skylog.db") ? 1 : 0);
    }

    // The real chooser lists the program directory while the database is in a write transaction. It must
    // not open the database's files: closing such a descriptor drops every lock SQLite holds on the file.
    void chooserLeavesTheDatabaseLocksAlone() {
        DialogFixture station;
        QSqlQuery transaction(Store::MainDb());
        QVERIFY(transaction.exec("BEGIN IMMEDIATE") &&
                transaction.exec("UPDATE tblSysConf SET MittInter = 5"));
        const QStringList locks = heldLocks(station.dir.path());
        QVERIFY(locks.size() >= 2);
        QPointer<FcFormat> dialog = station.open<FcFormat>();
        int entries = 0;
        QTimer::singleShot(0, this, [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (auto *model = chooser ? chooser->findChild<QFileSystemModel *>() : nullptr) {
                chooser->selectNameFilter("Alle Dateien (*.*)");
                const QModelIndex root = model->index(station.dir.path());
                static_cast<void>(QTest::qWaitFor([&] { return model->rowCount(root) >= 4; }));
                // Everything the dialog can show of every entry: name, size, type, date and icon.
                for (entries = 0; entries < model->rowCount(root); ++entries) {
                    for (int column = 0; column < model->columnCount(root); ++column) {
                        model->data(model->index(entries, column, root), Qt::DisplayRole);
                        model->data(model->index(entries, column, root), Qt::DecorationRole);
                    }
                }
            }
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseClick(dialog->controls().comSelFile, Qt::LeftButton);
        QVERIFY(entries >= 4);
        QCOMPARE(heldLocks(station.dir.path()), locks);
        QVERIFY(transaction.exec("ROLLBACK"));
    }

    // While open, no fetch of averages starts; every way of closing gives MittelAktiv back, only OK stores.
    void waysOfClosing_data() {
        QTest::addColumn<bool>("before");
        QTest::addColumn<QString>("way");
        for (bool before : {true, false})
            for (const char *way :
                 {"comOK", "comExit", "Escape", "closed", "main window closed", "main window gone"})
                QTest::addRow("%s, %s", before ? "on" : "off", way) << before << QString::fromLatin1(way);
    }

    void waysOfClosing() {
        QFETCH(bool, before);
        QFETCH(QString, way);
        DialogFixture station({QStringLiteral("UPDATE tblSysConf SET MittelAktiv = %1").arg(before ? 1 : 0)});
        const QStringList settingsBefore = DialogFixture::settingsRows();
        const QString formatBefore = remembered();
        FileChoice::setResponder(
            [](const FileChoice::Request &) { return QStringLiteral("/srv/wetter/verworfen.txt"); });
        QPointer<FcFormat> dialog = station.open<FcFormat>();
        run(dialog, QStringLiteral("selFormat0;chkUnit;comSelFile"));
        QVERIFY(AverageFetchHold::active() && SysConf.MittelAktiv == before);
        if (way == QLatin1String("Escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (way == QLatin1String("closed"))
            dialog->close();
        else if (way == QLatin1String("main window closed"))
            station.f->close();
        else if (way == QLatin1String("main window gone"))
            station.f.reset();
        else
            run(dialog, way);
        QVERIFY(!AverageFetchHold::active() && SysConf.MittelAktiv == before);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(DialogFixture::rows("SELECT MittelAktiv FROM tblSysConf"), QStringList{before ? "1" : "0"});
        QCOMPARE(remembered() == formatBefore, way != "comOK");
        QCOMPARE(DialogFixture::settingsRows() == settingsBefore, way != "comOK");
    }
};

QTEST_MAIN(TestFormatDialog)
#include "tst_formatdialog.moc"
