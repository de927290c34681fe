// The dialogs for the fetch of averages and the polling of instantaneous values, clicked through on a data
// file.
#include "config/dialogfixture.h"
#include "config/ui/fcmittel.h"
#include "config/ui/fcmoment.h"
#include "publish/ui/fcformat.h"
#include "support/cases.h"
#include "ui_fcmittel.h"
#include "ui_fcmoment.h"
#include "ui_mainwindow.h"

namespace {

QString onOff(const QAbstractButton *box) {
    return QString::fromLatin1(box->isChecked() ? "on" : "off");
}

const QString set = QStringLiteral("UPDATE tblSysConf SET ");

// sql prepares the data file; opened is what the dialog shows; steps are clicked (see run()); effect is what
// they must do to the database.
struct Mittel {
    const char *name;
    QString sql, opened, steps, effect, nextAccess;
    // With the format dialog open the fetch is held off; this dialog changes the user's setting behind it.
    bool formatOpen = false;
};

// opened: slider, its label, polling and storing; label: before the closing click.
struct Moment {
    const char *name;
    QString sql, opened, steps, label;
    int interval;
    QString effect;
};

} // namespace

class TestQueryDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void offersTheTwentySixIntervals() {
        DialogFixture station;
        const QComboBox *list = station.open<FcMittel>()->controls().cmbMittel;
        QStringList offered;
        for (int i = 0; i < list->count(); ++i)
            offered << list->itemText(i) + '=' + list->itemData(i).toString();
        QCOMPARE(offered.join(' '),
                 "10 Minuten=10 20 Minuten=20 30 Minuten=30 60 Minuten=60 2 Stunden=120 3 Stunden=180 "
                 "4 Stunden=240 5 Stunden=300 6 Stunden=360 7 Stunden=420 8 Stunden=480 9 Stunden=540 "
                 "10 Stunden=600 11 Stunden=660 12 Stunden=720 24 Stunden=1440 2 Tage=2880 3 Tage=4320 "
                 "4 Tage=5760 5 Tage=7200 6 Tage=8640 7 Tage=10080 2 Wochen=20160 3 Wochen=30240 "
                 "4 Wochen=40320 5 Wochen=50400");
    }

    void fcMittel_data() {
        addCases<Mittel>({
            {"45 stored as 10", set + "MittInter = 45", "on|on|10 Minuten", "chkDB;chkDB;comOK",
             set + "MittInter = 10", "05.12.2026 16:10:00"},
            {"last entry, then three days", set + "MittInter = 50400, SaveMitt = 0", "on|off|5 Wochen",
             "cmbMittel=3 Tage;comOK", set + "MittInter = 4320", "08.12.2026"},
            {"fetch switched on", set + "MittelAktiv = 0, MittInter = 120", "off|on|2 Stunden",
             "chkMom;comOK", set + "MittelAktiv = 1", "05.12.2026 18:00:00"},
            {"fetch and storing off", "", "on|on|60 Minuten", "chkMom;chkDB;comOK",
             set + "MittelAktiv = 0, SaveMitt = 0", "deaktiviert"},
            {"empty settings table gets one row", "DELETE FROM tblSysConf", "off|on|60 Minuten",
             "chkMom;cmbMittel=2 Stunden;chkDB;comOK",
             "INSERT INTO tblSysConf (MittInter, MittelAktiv, SaveMitt) VALUES (120, 1, 0)",
             "05.12.2026 18:00:00"},
            {"Abbrechen", "", "on|on|60 Minuten", "cmbMittel=5 Tage;chkMom;chkDB;comExit", "",
             "05.12.2026 17:00:00"},
            {"left on behind the format dialog", "", "on|on|60 Minuten", "cmbMittel=30 Minuten;comOK",
             set + "MittInter = 30", "05.12.2026 16:30:00", true},
            {"switched off behind the format dialog", "", "on|on|60 Minuten", "chkMom;comOK",
             set + "MittelAktiv = 0", "deaktiviert", true},
        });
    }
    void fcMittel() {
        QFETCH(Mittel, c);
        DialogFixture station({c.sql});
        MainWindow &f = *station.f;
        f.engine()->MidTimer.start();
        const QStringList expected = DialogFixture::snapshotAfter({c.effect});
        const QPointer<FcFormat> format = c.formatOpen ? station.open<FcFormat>() : nullptr;
        QPointer<FcMittel> dialog = station.open<FcMittel>();
        const Ui::FcMittel &ui = dialog->controls();
        QCOMPARE(onOff(ui.chkMom) + '|' + onOff(ui.chkDB) + '|' + ui.cmbMittel->currentText(), c.opened);
        QVERIFY(!ui.comOK->isEnabled());
        for (const QString &steps : {c.steps.section(';', 0, -2), c.steps.section(';', -1)}) {
            QCOMPARE(ui.cmbMittel->isEnabled(), ui.chkMom->isChecked());
            run(dialog, steps);
        }
        QTRY_VERIFY(dialog.isNull());

        QCOMPARE(DialogFixture::snapshot(), expected);
        QCOMPARE(f.controls()->labNextAccess->text(), c.nextAccess);
        if (format) {
            QVERIFY(!Acquisition::fetchingOn());
            format->close();
        }
        QCOMPARE(QString("%1|%2|%3").arg(SysConf.MittInter).arg(SysConf.MittelAktiv).arg(SysConf.SaveMitt),
                 DialogFixture::rows("SELECT MittInter, MittelAktiv, SaveMitt FROM tblSysConf").value(0));
        // The dialog never starts or stops the fetch.
        QVERIFY(f.engine()->MidTimer.isActive());
        QVERIFY(station.boxes.asked.isEmpty());
    }

    void fcMoment_data() {
        addCases<Moment>({
            {"a second and a half, one step", set + "MomInter = 1500", "1|Interval: 1 Sekunde|on|off",
             "slidMoment=Right;comOK", "Interval: 2 Sekunden", 2000, set + "MomInter = 2000"},
            {"remainder dropped, to the start", set + "MomInter = 2999, SaveMom = 1",
             "2|Interval: 2 Sekunden|on|on", "slidMoment=Home;comOK", "Interval: 1 Sekunde", 1000,
             set + "MomInter = 1000"},
            {"one minute, stored", "", "3|Interval: 3 Sekunden|on|off", "chkDB;slidMoment=End;comOK",
             "Interval: 60 Sekunden", 60000, set + "MomInter = 60000, SaveMom = 1"},
            {"polling off", "", "3|Interval: 3 Sekunden|on|off", "slidMoment=Left;chkMom;comOK",
             "Interval: 2 Sekunden", 2000, set + "MomInter = 2000, MomAktiv = 0"},
            {"empty settings table gets one row", "DELETE FROM tblSysConf", "3|Interval: 3 Sekunden|off|off",
             "chkMom;slidMoment=PgUp;chkDB;comOK", "Interval: 8 Sekunden", 8000,
             "INSERT INTO tblSysConf (MomInter, MomAktiv, SaveMom) VALUES (8000, 1, 1)"},
            {"Abbrechen", set + "MomAktiv = 0, MomInter = 4000", "4|Interval: 4 Sekunden|off|off",
             "chkMom;slidMoment=Home;chkDB;comExit", "Interval: 1 Sekunde", 4000, ""},
        });
    }
    void fcMoment() {
        QFETCH(Moment, c);
        DialogFixture station({c.sql});
        QTimer &timer = station.f->engine()->AktTimer;
        timer.start();
        const QStringList expected = DialogFixture::snapshotAfter({c.effect});
        QPointer<FcMoment> dialog = station.open<FcMoment>();
        const Ui::FcMoment &ui = dialog->controls();
        const auto enabled = [&ui] {
            return ui.slidMoment->isEnabled() + ui.labInter->isEnabled() + ui.chkDB->isEnabled();
        };
        QCOMPARE(QString::number(ui.slidMoment->value()) + '|' + ui.labInter->text() + '|' +
                     onOff(ui.chkMom) + '|' + onOff(ui.chkDB),
                 c.opened);
        QVERIFY(!ui.comOK->isEnabled());
        QCOMPARE(enabled(), 3 * ui.chkMom->isChecked());
        run(dialog, c.steps.section(';', 0, -2));
        QCOMPARE(ui.labInter->text(), c.label);
        QCOMPARE(enabled(), 3 * ui.chkMom->isChecked());
        run(dialog, c.steps.section(';', -1));
        QTRY_VERIFY(dialog.isNull());

        QCOMPARE(DialogFixture::snapshot(), expected);
        QCOMPARE(QString("%1|%2").arg(SysConf.MomAktiv).arg(SysConf.SaveMom),
                 DialogFixture::rows("SELECT MomAktiv, SaveMom FROM tblSysConf").value(0));
        QCOMPARE(timer.interval(), c.interval);
        // A running timer starts over with the new interval at once (a coarse timer may be 5 % late).
        QVERIFY(timer.isActive() && timer.remainingTime() <= c.interval + c.interval / 20);
        QVERIFY(station.boxes.asked.isEmpty());
    }
};

QTEST_MAIN(TestQueryDialogs)
#include "tst_querydialogs.moc"
