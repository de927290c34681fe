// The instantaneous-values panel in the main window's own controls: rows built from the channel table, the
// scroll bar, value texts and colours; the channel table comes from a real copy of the template database.
#include "eval/channeltable.h"
#include "eval/paneltext.h"
#include "eval/ui/momentpanel.h"
#include "support/programdir.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

// The default layout of the station: channel and sensor code.
const QList<std::pair<int, QByteArray>> defaultLayout{
    {1, "03"},  {2, "02"},  {3, "04"},  {4, "05"},  {5, "0A"},  {6, "06"},  {7, "07"},
    {8, "08"},  {9, "09"},  {10, "0C"}, {11, "0D"}, {12, "0B"}, {13, "0E"}, {14, "12"},
    {15, "1A"}, {16, "0F"}, {17, "13"}, {18, "14"}, {19, "01"}, {20, "10"}};

// The main window's panel controls with the label arrays as the main window keeps them.
struct Window {
    QMainWindow window;
    Ui::MainWindow ui;
    MomentPanel::Labels labMK{};
    MomentPanel::Labels labMW{};
    std::unique_ptr<MomentPanel> panel;

    Window() {
        ui.setupUi(&window);
        labMK[0] = ui.labMK;
        labMW[0] = ui.labMW;
        panel = std::make_unique<MomentPanel>(ui.picRahmen, ui.frmMom, ui.VScroll, labMK, labMW);
    }

    int rowLabels() const { return ui.frmMom->findChildren<QLabel *>().size() - 2; }
};

// The channel table of a telegram with the first count channels of the default layout; each value is the
// channel number plus a half.
void rebuild(const QSqlDatabase &db, int count, ChannelSlots &channelSlots) {
    InstCodes codes;
    InstValues values{};
    for (int i = 0; i < count; ++i) {
        const auto &[channel, code] = defaultLayout.at(i);
        codes[channel] = code;
        values[channel] = channel + 0.5;
    }
    QStringList warnings;
    QCOMPARE(rebuildChannelTable(db, 1, 1, codes, values, channelSlots, warnings), std::nullopt);
}

QColor textColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestMomentPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }
    void cleanup();
    void valueText_data();
    void valueText();
    void threeChannelsFitTheViewport();
    void scrollBar_data();
    void scrollBar();
    void rebuildWithFewerChannelsRemovesOldRows();
    void updateShowsValuesUnitsAndErrors();
    void updateWaitsForTheFirstBuild();
    void unknownSensorKeepsItsDescription();
    void failedBuildKeepsPanelReady_data();
    void failedBuildKeepsPanelReady();
};

void TestMomentPanel::cleanup() {
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
}

void TestMomentPanel::valueText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("colour");
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("decimal comma") << 23.5 << "°C" << german << "23,5 °C " << Panel::black;
    QTest::newRow("English locale") << 23.5 << "°C" << QLocale(QLocale::English, QLocale::UnitedStates)
                                    << "23.5 °C " << Panel::black;
    QTest::newRow("no group separator") << 1013.25 << "hPa" << german << "1013,25 hPa " << Panel::black;
    QTest::newRow("negative") << -5.5 << "°C" << german << "-5,5 °C " << Panel::black;
    QTest::newRow("no unit") << 0.0 << "" << german << "0  " << Panel::black;
    QTest::newRow("limit is still a value") << 99999899.0 << "m" << german << "99999899 m " << Panel::black;
    QTest::newRow("just above the limit") << 99999899.5 << "m" << german << "Fehler " << Panel::red;
    QTest::newRow("error mark") << 99999900.0 << "m" << german << "Fehler " << Panel::red;
}

void TestMomentPanel::valueText() {
    QFETCH(double, value);
    QFETCH(QString, unit);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(quint32, colour);

    const Panel::ValueText shown = Panel::valueText(value, unit, locale);

    QCOMPARE(shown.text, text);
    QCOMPARE(shown.colour, colour);
}

void TestMomentPanel::threeChannelsFitTheViewport() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    InstCodes codes;
    InstValues values{};
    codes[1] = "03";
    codes[2] = "02";
    codes[7] = "07";
    values[1] = 1013.25;
    values[2] = 87;
    values[7] = 99999900;
    QStringList warnings;
    QCOMPARE(rebuildChannelTable(db, 1, 1, codes, values, channelSlots, warnings), std::nullopt);
    Window w;
    // A viewport of 1500 twips.
    w.ui.picRahmen->resize(w.ui.picRahmen->width(), 100);

    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);

    QVERIFY(w.panel->panelReady);
    QCOMPARE(w.ui.frmMom->height(), 72);
    QCOMPARE(w.ui.frmMom->y(), 0);
    QCOMPARE(w.panel->scrollMaximum(), -7);
    QVERIFY(!w.ui.VScroll->isEnabled());
    QVERIFY(!w.ui.VScroll->isHidden());
    QCOMPARE(w.ui.VScroll->maximum(), 0);
    QCOMPARE(w.ui.VScroll->minimum(), 0);
    QCOMPARE(w.rowLabels(), 6);
    QVERIFY(w.ui.labMK->isHidden());
    QVERIFY(w.ui.labMW->isHidden());

    const QList<int> channels{1, 2, 7};
    const QStringList names{QStringLiteral("Luftdruck"), QStringLiteral("Relative Luftfeuchte"),
                            QStringLiteral("Globalstrahlung")};
    const QStringList texts{QStringLiteral("1013,25 hPa "), QStringLiteral("87 % "),
                            QStringLiteral("Fehler ")};
    for (int row = 0; row < channels.size(); ++row) {
        const QLabel *name = w.labMK[channels[row]];
        const QLabel *value = w.labMW[channels[row]];
        QVERIFY(name && value);
        QCOMPARE(name->text(), names[row]);
        QCOMPARE(value->text(), texts[row]);
        QCOMPARE(name->toolTip(), QStringLiteral("Kanal %1").arg(channels[row]));
        QCOMPARE(value->toolTip(), QStringLiteral("Kanal %1").arg(channels[row]));
        // Rows 360 twips apart; the name 45 twips, the value 15 twips below the top of its row.
        QCOMPARE(name->y(), row * 24 + 3);
        QCOMPARE(value->y(), row * 24 + 1);
        QVERIFY(name->isVisibleTo(w.ui.frmMom));
        QVERIFY(value->isVisibleTo(w.ui.frmMom));
        QCOMPARE(name->objectName(), QStringLiteral("labMK"));
        QCOMPARE(value->objectName(), QStringLiteral("labMW"));
        // Left edge, width and alignment come from the templates.
        QCOMPARE(name->geometry().x(), w.ui.labMK->x());
        QCOMPARE(value->width(), w.ui.labMW->width());
        QCOMPARE(value->alignment(), w.ui.labMW->alignment());
    }
    QCOMPARE(textColour(w.labMW[1]), QColor(Qt::black));
    QCOMPARE(textColour(w.labMW[7]), QColor(Qt::red));
    for (int channel : {3, 4, 5, 6, 8, 60})
        QVERIFY(!w.labMK[channel] && !w.labMW[channel]);
}

void TestMomentPanel::scrollBar_data() {
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("viewportPixels");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("inUse");
    QTest::newRow("3 rows in 1500 twips") << 3 << 100 << -7 << false;
    // 7 rows of 2520 twips in the designed 2520 twips: (2520 - 2520 - 45) / 60 is 0.
    QTest::newRow("7 rows fill the viewport") << 7 << 168 << 0 << false;
    QTest::newRow("8 rows: 315 twips more") << 8 << 168 << 5 << true;
    QTest::newRow("20 rows") << 20 << 168 << 77 << true;
}

void TestMomentPanel::scrollBar() {
    QFETCH(int, channels);
    QFETCH(int, viewportPixels);
    QFETCH(int, maximum);
    QFETCH(bool, inUse);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    rebuild(db, channels, channelSlots);
    Window w;
    w.ui.picRahmen->resize(w.ui.picRahmen->width(), viewportPixels);

    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);

    QCOMPARE(w.ui.frmMom->height(), channels * 24);
    QCOMPARE(w.panel->scrollMaximum(), maximum);
    QCOMPARE(w.ui.VScroll->isEnabled(), inUse);
    QCOMPARE(w.ui.VScroll->maximum(), std::max(maximum, 0));
    QCOMPARE(w.ui.VScroll->value(), 0);
    // Each step moves the rows up by 60 twips.
    w.ui.VScroll->setValue(maximum);
    QCOMPARE(w.ui.frmMom->y(), -std::max(maximum, 0) * 4);
    w.ui.VScroll->setValue(1);
    QCOMPARE(w.ui.frmMom->y(), inUse ? -4 : 0);
}

void TestMomentPanel::rebuildWithFewerChannelsRemovesOldRows() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    rebuild(db, 20, channelSlots);
    Window w;
    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);
    QCOMPARE(w.rowLabels(), 40);
    w.ui.VScroll->setValue(30);
    QCOMPARE(w.ui.frmMom->y(), -120);

    rebuild(db, 2, channelSlots);
    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);

    QCOMPARE(w.rowLabels(), 4);
    for (int channel = 3; channel <= 60; ++channel)
        QVERIFY(!w.labMK[channel] && !w.labMW[channel]);
    QCOMPARE(w.labMK[2]->text(), QStringLiteral("Relative Luftfeuchte"));
    QCOMPARE(w.labMK[2]->toolTip(), QStringLiteral("Kanal 2"));
    QCOMPARE(w.labMK[2]->y(), 27);
    QCOMPARE(w.ui.frmMom->height(), 48);
    QCOMPARE(w.ui.frmMom->y(), 0);
    QCOMPARE(w.ui.VScroll->value(), 0);
    QVERIFY(!w.ui.VScroll->isEnabled());
}

void TestMomentPanel::updateShowsValuesUnitsAndErrors() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    rebuild(db, 20, channelSlots);
    Window w;
    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);
    QCOMPARE(w.labMW[19]->text(), QStringLiteral("19,5 °C "));

    // Channel 2 is missing from this telegram; channel 61 and beyond do not exist.
    InstValues values{};
    values[1] = 99999899;
    values[7] = 99999900;
    values[19] = 23.5;
    w.panel->update(values, channelSlots);

    QCOMPARE(w.labMW[1]->text(), QStringLiteral("99999899 hPa "));
    QCOMPARE(textColour(w.labMW[1]), QColor(Qt::black));
    QCOMPARE(w.labMW[7]->text(), QStringLiteral("Fehler "));
    QCOMPARE(textColour(w.labMW[7]), QColor(Qt::red));
    QCOMPARE(w.labMW[19]->text(), QStringLiteral("23,5 °C "));
    QCOMPARE(w.labMW[2]->text(), QStringLiteral("0 % "));
    QCOMPARE(channelSlots[19].value, 23.5);
    QCOMPARE(channelSlots[2].value, 0.0);
    QCOMPARE(channelSlots[7].value, 99999900.0);
    // The names stay as built.
    QCOMPARE(w.labMK[19]->text(), QStringLiteral("Lufttemperatur 2 m"));

    values[7] = 812.5;
    w.panel->update(values, channelSlots);
    QCOMPARE(w.labMW[7]->text(), QStringLiteral("812,5 W/m² "));
    QCOMPARE(textColour(w.labMW[7]), QColor(Qt::black));
}

void TestMomentPanel::updateWaitsForTheFirstBuild() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    rebuild(db, 3, channelSlots);
    Window w;
    InstValues values{};
    values[1] = 1000;

    w.panel->update(values, channelSlots);

    QVERIFY(!w.panel->panelReady);
    QCOMPARE(channelSlots[1].value, 1.5);
    QCOMPARE(w.rowLabels(), 0);
}

void TestMomentPanel::unknownSensorKeepsItsDescription() {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    InstCodes codes;
    InstValues values{};
    codes[5] = "1B";
    values[5] = 4.25;
    codes[6] = "06";
    ChannelSlots channelSlots{};
    QStringList warnings;
    QCOMPARE(rebuildChannelTable(db, 1, 1, codes, values, channelSlots, warnings), std::nullopt);
    Window w;

    QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);

    QCOMPARE(w.labMK[5]->text(), QStringLiteral("Sensor 0x1B (unbekannt)"));
    QCOMPARE(w.labMW[5]->text(), QStringLiteral("4,25  "));
    QCOMPARE(w.labMK[6]->text(), QStringLiteral("Niederschlag"));
    QCOMPARE(w.labMK[6]->y(), 27);
}

void TestMomentPanel::failedBuildKeepsPanelReady_data() {
    QTest::addColumn<bool>("builtBefore");
    QTest::addColumn<QString>("breakSql");
    QTest::addColumn<int>("errorNumber");
    QTest::newRow("first build, catalogue missing") << false << "DROP TABLE tblSensorcodes" << 1;
    QTest::newRow("rebuild, catalogue missing") << true << "DROP TABLE tblSensorcodes" << 1;
    QTest::newRow("first build, Null description")
        << false << "UPDATE tblSensorcodes SET Beschreibung = NULL WHERE Sensor = 2" << 94;
    QTest::newRow("rebuild, Null description")
        << true << "UPDATE tblSensorcodes SET Beschreibung = NULL WHERE Sensor = 2" << 94;
}

void TestMomentPanel::failedBuildKeepsPanelReady() {
    QFETCH(bool, builtBefore);
    QFETCH(QString, breakSql);
    QFETCH(int, errorNumber);
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    rebuild(db, 3, channelSlots);
    Window w;
    if (builtBefore)
        QCOMPARE(w.panel->InitMoment(db, channelSlots), std::nullopt);
    QSqlQuery query(db);
    QVERIFY(query.exec(breakSql));

    const auto error = w.panel->InitMoment(db, channelSlots);

    QVERIFY(error.has_value());
    QCOMPARE(error->number, errorNumber);
    QCOMPARE(w.panel->panelReady, builtBefore);
    // The value update goes on with whatever rows there are.
    InstValues values{};
    values[1] = 990.5;
    w.panel->update(values, channelSlots);
    if (w.labMW[1])
        QCOMPARE(w.labMW[1]->text(), builtBefore ? QStringLiteral("990,5 hPa ") : QStringLiteral("1,5 hPa "));
}

QTEST_MAIN(TestMomentPanel)
#include "tst_momentpanel.moc"
