// The instantaneous-values panel in the main window's own controls, named from a real template catalogue.
#include "eval/channeltable.h"
#include "eval/ui/momentpanel.h"
#include "support/programdir.h"
#include "ui_mainwindow.h"

#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

struct Fixture {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    QMainWindow window;
    Ui::MainWindow ui;
    MomentPanel::Labels labMK{}, labMW{};
    MomentPanel panel{setUp(), ui.frmMom, ui.VScroll, labMK, labMW};

    // The window's controls, set up before the panel takes them (a braced initialiser runs left to right).
    QWidget *setUp() {
        ui.setupUi(&window);
        labMK[0] = ui.labMK;
        labMW[0] = ui.labMW;
        return ui.picRahmen;
    }
    // shown: "channel:sensor code:unit ..."; each value is its channel number plus a half.
    void build(const QString &shown) {
        channelSlots = {};
        for (const QString &slot : shown.split(' ')) {
            const QStringList part = slot.split(':');
            channelSlots[part[0].toInt()] = {part[0].toInt() + 0.5,   part[2], "", "eigener Name",
                                             quint8(part[1].toInt()), true};
        }
        QCOMPARE(panel.InitMoment(db, channelSlots), std::nullopt);
    }
    // "name|value colour|tooltips|tops of name and value" of a row.
    QString row(int channel) const {
        const QLabel *name = labMK[channel], *value = labMW[channel];
        return QStringList{name->text(), value->text() + value->palette().color(QPalette::WindowText).name(),
                           name->toolTip() + ' ' + value->toolTip(),
                           QString("%1 %2").arg(name->y()).arg(value->y())}
            .join('|');
    }
    void show(const InstValues &values) {
        takeInstantValues(channelSlots, values);
        panel.update(channelSlots);
    }
    // A wheel turn over a widget as from the mouse, so that it travels up through the parents that ignore it.
    void wheel(QWidget *over, int angle) {
        QWheelEvent event(QPointF(1, 1), over->mapToGlobal(QPointF(1, 1)), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(over, &event);
    }
};

} // namespace

class TestMomentPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void panelFollowsTheChannelsAndTheirValues() {
        Fixture f;
        InstValues values{};
        values[1] = 99999899;
        // Values before the first build are ignored.
        f.channelSlots[1].shown = true;
        f.show(values);
        QCOMPARE(f.labMW[1], nullptr);
        f.build("1:1:m 2:2:m 3:3:m 4:4:m 5:5:m 6:6:m 7:7:m 8:8:m");
        QCOMPARE(f.panel.scrollMaximum(), 5);
        f.ui.VScroll->setValue(4);
        // The wheel over the rows scrolls as over the bar, a few 60-twip steps a notch, within its range.
        f.wheel(f.labMW[2], 120);
        QCOMPARE(f.ui.VScroll->value(), std::max(4 - QApplication::wheelScrollLines(), 0));
        f.wheel(f.labMK[8], -240);
        QVERIFY(f.ui.VScroll->value() == 5 && f.ui.frmMom->y() == -20);

        // Rebuilt in a viewport of 1500 twips: the old rows go, the rest fits without the scroll bar.
        f.ui.picRahmen->resize(f.ui.picRahmen->width(), 100);
        f.build("1:3:hPa 2:2:% 7:27:W/m²");
        QVERIFY(f.ui.frmMom->findChildren<QLabel *>().size() == 6 + 2 && !f.labMK[3] && !f.labMW[8]);
        QVERIFY(f.panel.scrollMaximum() == -7 && !f.ui.VScroll->isEnabled() && f.ui.VScroll->maximum() == 0);
        f.wheel(f.ui.frmMom, -120);
        QVERIFY(f.ui.frmMom->y() == 0 && f.panel.panelReady && f.ui.labMK->isHidden() &&
                f.ui.labMW->isHidden());

        // Rows 360 twips apart, the name 45 and the value 15 twips below the top; code 27 is not catalogued.
        values[7] = 99999900; // channel 2 is missing from this telegram
        f.show(values);
        QCOMPARE(f.row(1), "Luftdruck|99999899 hPa #000000|Kanal 1 Kanal 1|3 1");
        QCOMPARE(f.row(2), "Relative Luftfeuchte|0 % #000000|Kanal 2 Kanal 2|27 25");
        QCOMPARE(f.row(7), "eigener Name|Fehler #ff0000|Kanal 7 Kanal 7|51 49");
        values[7] = 812.5;
        f.show(values);
        QCOMPARE(f.row(7), "eigener Name|812,5 W/m² #000000|Kanal 7 Kanal 7|51 49");

        // A failed build leaves the panel as it stands.
        sqlValue(f.db, "DROP TABLE tblSensorcodes");
        QVERIFY(f.panel.InitMoment(f.db, f.channelSlots) && f.panel.panelReady);
    }
};

QTEST_MAIN(TestMomentPanel)
#include "tst_momentpanel.moc"
