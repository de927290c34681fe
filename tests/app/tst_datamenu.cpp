// The menu "Daten" on a loaded main window with a week of stored averages: the gap count of the info group,
// the history window, the export dialog, the error log and the program directory.
#include "config/dialogfixture.h"
#include "eval/ui/flog.h"
#include "eval/ui/fverlauf.h"
#include "publish/ui/fcexport.h"
#include "publish/ui/filechoice.h"
#include "support/measrows.h"
#include "ui_mainwindow.h"

#include <QDateTimeAxis>

namespace {

// Eight days every 10 minutes up to 15:50, without 4 December 08:00 ... 09:20 (9 records).
void storeAWeek(const QSqlDatabase &db) {
    QStringList times = recordTimes(QDateTime(QDate(2026, 11, 27), QTime(16, 0)), 10, 8 * 144);
    times.erase(times.begin() + times.indexOf("2026-12-04 08:00:00"),
                times.begin() + times.indexOf("2026-12-04 09:30:00"));
    QVERIFY(insertAverageRecords(db, 1, 1, times, {19, 1},
                                 [](int c, int k, int r) { return (c == 1 ? 1008 : 4) + k + r % 7; }));
}

template <typename W> W *window() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<W *>(w); found && found->isVisible())
            return found;
    qFatal("%s is not open", W::staticMetaObject.className());
}

} // namespace

class TestDataMenu : public QObject {
    Q_OBJECT

    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl &url) { opened << url; }

private slots:
    void dataMenu() {
        DialogFixture station({"UPDATE tblSysConf SET MittInter = 10"}, storeAWeek);
        MainWindow *f = station.f.get();
        station.dir.writeFile("Errorlog.txt", "05.12.2026 10:00:00 - Keine Antwort\r\n05.12.2026 11:00:00 - "
                                              "Daten ohne CR\r\n05.12.2026 12:00:00 - Keine Antwort\r\n");

        QCOMPARE(f->controls()->labGaps->text(), "9");

        auto *menu = f->findChild<QMenu *>("menDaten");
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        QCOMPARE(texts.join('|'), "&Verlauf …|&Exportieren …|&Fehlerprotokoll||&Programmordner öffnen");

        menu->actions()[2]->trigger();
        auto *log = window<FLog>();
        QCOMPARE(log->txtLog->toPlainText().section('\n', 0, 0), "05.12.2026 12:00:00 - Keine Antwort");
        log->txtFilter->setText("ANTWORT");
        QCOMPARE(log->labCount->text(), "2 von 3 Einträgen");

        QDesktopServices::setUrlHandler("file", this, "openUrl");
        menu->actions()[4]->trigger();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(station.dir.path())});

        menu->actions()[0]->trigger();
        auto *history = window<FVerlauf>();
        QCOMPARE(history->labGapSum->text(), "1 Lücke, 9 fehlende Datensätze");
        const QTreeWidgetItem *gap = history->lstGaps->topLevelItem(0);
        QCOMPARE(gap->text(0) + " – " + gap->text(1), "04.12.26 08:00 – 04.12.26 09:20");
        for (QListWidgetItem *item : history->lstChannels->findItems("", Qt::MatchStartsWith))
            item->setCheckState(item->text().contains(QRegularExpression("^(1|19) ")) ? Qt::Checked
                                                                                      : Qt::Unchecked);
        history->resize(1200, 620);
        QVERIFY(QTest::qWaitForWindowExposed(history));
        QChart *chart = history->view->chart();
        QTRY_VERIFY(chart->axes(Qt::Vertical).size() == 3);
        // The wheel zooms in at the pointer; a double click shows the whole period again.
        auto *axis = qobject_cast<QDateTimeAxis *>(chart->axes(Qt::Horizontal).first());
        const qint64 whole = axis->min().msecsTo(axis->max());
        const QPointF at = chart->plotArea().center();
        QWheelEvent wheel(at, history->view->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(history->view->viewport(), &wheel);
        QVERIFY(qAbs(axis->min().msecsTo(axis->max()) - whole * 8 / 10) <= 2);
        QTest::mouseDClick(history->view->viewport(), Qt::LeftButton, {}, at.toPoint());
        QCOMPARE(axis->min().msecsTo(axis->max()), whole);

        const QString csv = station.dir.file("auszug.csv");
        FileChoice::setResponder([&](const FileChoice::Request &) { return csv; });
        menu->actions()[1]->trigger();
        auto *exporter = window<FcExport>();
        for (int i = 1; i < exporter->lstChannels->count(); ++i)
            exporter->lstChannels->item(i)->setCheckState(Qt::Unchecked);
        exporter->txtFrom->setDate(QDate(2026, 12, 4));
        exporter->comExport->click();
        FileChoice::setResponder({});
        QVERIFY(station.dir.readFile("auszug.csv").startsWith("Zeit,Kanal 1: Luftdruck [hPa]\r\n"));
        // 4 December without its 9 missing records, and 5 December up to 15:50.
        QCOMPARE(station.boxes.asked.last().text,
                 QString("%1 Datensätze nach %2 exportiert.").arg(144 - 9 + 96).arg(csv));
        QCOMPARE(station.dir.readFile("auszug.csv").count('\n'), 1 + 231);
    }
};

QTEST_MAIN(TestDataMenu)
#include "tst_datamenu.moc"
