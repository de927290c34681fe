// The dialogs for the fetch of averages and the polling of instantaneous values, clicked through.
#include "config/dialogfixture.h"
#include "config/ui/fcmittel.h"
#include "config/ui/fcmoment.h"
#include "publish/ui/fcformat.h"
#include "support/cases.h"
#include "ui_mainwindow.h"

namespace {

const QString set = QStringLiteral("UPDATE tblSysConf SET ");

// One of the two query dialogs (the polling's with `moment`): sql prepares the data file; opened is what the
// dialog shows (switched on, stored, interval); steps are clicked (see run()), the last one closing it, and
// changed is the interval shown before that click; effect is what they must do to the database; then the next
// fetch and the polling interval.
struct Case {
    const char *name;
    bool moment;
    QString sql, opened, steps, changed, effect, nextAccess;
    int interval;
    // With the format dialog open the fetch is held off; the dialog changes the user's setting behind it.
    bool formatOpen = false;
};

} // namespace

class TestQueryDialogs : public QObject {
    Q_OBJECT

private slots:
    void queryDialog_data() {
        const QString next = "05.12.2026 17:00:00";
        addCases<Case>({
            {"fetch: 45 stored as 10", false, set + "MittInter = 45", "on|on|10 Minuten", "chkDB;chkDB;comOK",
             "10 Minuten", set + "MittInter = 10", "05.12.2026 16:10:00", 3000},
            {"fetch: last entry, then three days", false, set + "MittInter = 50400, SaveMitt = 0",
             "on|off|5 Wochen", "cmbMittel=3 Tage;comOK", "3 Tage", set + "MittInter = 4320", "08.12.2026",
             3000},
            {"fetch: empty settings table gets one row", false, "DELETE FROM tblSysConf", "off|on|60 Minuten",
             "chkMom;cmbMittel=2 Stunden;chkDB;comOK", "2 Stunden",
             "INSERT INTO tblSysConf (MittInter, MittelAktiv, SaveMitt) VALUES (120, 1, 0)",
             "05.12.2026 18:00:00", 3000},
            {"fetch: Abbrechen", false, "", "on|on|60 Minuten", "cmbMittel=5 Tage;chkMom;chkDB;comExit",
             "5 Tage", "", next, 3000},
            {"fetch left on behind the format dialog", false, "", "on|on|60 Minuten",
             "cmbMittel=30 Minuten;comOK", "30 Minuten", set + "MittInter = 30", "05.12.2026 16:30:00", 3000,
             true},
            {"fetch switched off behind the format dialog", false, "", "on|on|60 Minuten", "chkMom;comOK",
             "60 Minuten", set + "MittelAktiv = 0", "deaktiviert", 3000, true},
            {"polling: remainder dropped, to the start", true, set + "MomInter = 2999, SaveMom = 1",
             "on|on|Interval: 2 Sekunden", "slidMoment=Home;comOK", "Interval: 1 Sekunde",
             set + "MomInter = 1000", next, 1000},
            {"polling: one minute, stored", true, "", "on|off|Interval: 3 Sekunden",
             "chkDB;slidMoment=End;comOK", "Interval: 60 Sekunden", set + "MomInter = 60000, SaveMom = 1",
             next, 60000},
            {"polling off", true, "", "on|off|Interval: 3 Sekunden", "slidMoment=Left;chkMom;comOK",
             "Interval: 2 Sekunden", set + "MomInter = 2000, MomAktiv = 0", next, 2000},
            {"polling: empty settings table gets one row", true, "DELETE FROM tblSysConf",
             "off|off|Interval: 3 Sekunden", "chkMom;slidMoment=PgUp;chkDB;comOK", "Interval: 8 Sekunden",
             "INSERT INTO tblSysConf (MomInter, MomAktiv, SaveMom) VALUES (8000, 1, 1)", "deaktiviert", 8000},
            {"polling: Abbrechen", true, set + "MomAktiv = 0, MomInter = 4000",
             "off|off|Interval: 4 Sekunden", "chkMom;slidMoment=Home;chkDB;comExit", "Interval: 1 Sekunde",
             "", next, 4000},
        });
    }
    void queryDialog() {
        QFETCH(Case, c);
        DialogFixture station({c.sql});
        Acquisition &a = *station.f->engine();
        a.AktTimer.start();
        a.MidTimer.start();
        const QStringList expected = DialogFixture::snapshotAfter({c.effect});
        const QPointer<FcFormat> format = c.formatOpen ? station.open<FcFormat>() : nullptr;
        QPointer<QDialog> dialog = c.moment ? static_cast<QDialog *>(station.open<FcMoment>())
                                            : static_cast<QDialog *>(station.open<FcMittel>());
        const auto *on = dialog->findChild<QAbstractButton *>("chkMom");
        const auto *stored = dialog->findChild<QAbstractButton *>("chkDB");
        const auto *list = dialog->findChild<QComboBox *>("cmbMittel");
        const auto shown = [&] {
            return QString(on->isChecked() ? "on|" : "off|") + (stored->isChecked() ? "on|" : "off|") +
                   (list ? list->currentText() : dialog->findChild<QLabel *>("labInter")->text());
        };
        // The interval, and the polling's storing, can only be changed while switched on.
        const auto followsSwitch = [&] {
            for (const char *name : c.moment ? QList<const char *>{"slidMoment", "labInter", "chkDB"}
                                             : QList<const char *>{"cmbMittel"})
                if (dialog->findChild<QWidget *>(name)->isEnabled() != on->isChecked())
                    return false;
            return true;
        };
        QCOMPARE(shown(), c.opened);
        QVERIFY(followsSwitch() && !dialog->findChild<QPushButton *>("comOK")->isEnabled());
        run(dialog, c.steps.section(';', 0, -2));
        QCOMPARE(shown().section('|', 2), c.changed);
        QVERIFY(followsSwitch());
        run(dialog, c.steps.section(';', -1));
        QTRY_VERIFY(dialog.isNull());

        QCOMPARE(DialogFixture::snapshot(), expected);
        QCOMPARE(station.f->controls()->labNextAccess->text(), c.nextAccess);
        if (format) {
            QVERIFY(!Acquisition::fetchingOn());
            format->close();
        }
        QCOMPARE(
            QString::asprintf("%d|%d|%d|%d|%d", SysConf.MittInter, SysConf.MittelAktiv, SysConf.SaveMitt,
                              SysConf.MomAktiv, SysConf.SaveMom),
            DialogFixture::rows("SELECT MittInter, MittelAktiv, SaveMitt, MomAktiv, SaveMom FROM tblSysConf")
                .value(0));
        // The dialogs never start or stop the timers; a running one starts over with a new interval at once
        // (a coarse timer may be 5 % late).
        QVERIFY(a.MidTimer.isActive() && a.AktTimer.isActive() && station.boxes.asked.isEmpty());
        QCOMPARE(a.AktTimer.interval(), c.interval);
        QVERIFY(a.AktTimer.remainingTime() <= c.interval + c.interval / 20);
    }
};

QTEST_MAIN(TestQueryDialogs)
#include "tst_querydialogs.moc"
