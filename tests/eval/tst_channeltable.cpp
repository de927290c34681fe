// The channel table rebuilt from an "A" telegram's sensor codes, on a real copy of the template database.
#include "eval/channeltable.h"
#include "eval/sqlrows.h"
#include "support/programdir.h"

#include <QTest>

namespace {

struct Fixture {
    ProgramDir dir;
    QSqlDatabase db = dir.createDataFile();
    ChannelSlots channelSlots{};
    QStringList warnings;

    // layout: "channel:code ..."; every channel's value is its number plus a tenth.
    int rebuild(int provider, int config, const QString &layout) {
        InstCodes codes;
        InstValues values{};
        for (const QString &field : layout.split(' ')) {
            const int channel = field.section(':', 0, 0).toInt();
            codes[channel] = field.section(':', 1).toLatin1();
            values[channel] = channel + 0.1;
        }
        const auto error = rebuildChannelTable(db, provider, config, codes, values, channelSlots, warnings);
        return error ? error->number : 0;
    }
    QString rows(const QString &columns = "KanalNr, Sensor, EinheitID, KanalArt") {
        return sqlRows(db, "SELECT " + columns + " FROM tblKanal ORDER BY rowid");
    }
    // The shown slots: "channel value unit|KurzText|Beschreibung|code".
    QString shown() const {
        QStringList shown;
        for (int ch = 0; ch <= 100; ++ch) {
            const ChannelSlot &s = channelSlots[ch];
            if (s.shown)
                shown << QString("%1 %2 ").arg(ch).arg(s.value) +
                             QStringList{s.unit, s.KurzText, s.Beschreibung, QString::number(s.sensorCode)}
                                 .join('|');
        }
        return shown.join(", ");
    }
};

} // namespace

class TestChannelTable : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QSqlDatabase::removeDatabase("test"); }

    void tableFollowsTheReportedCodes() {
        Fixture f;
        // Slots 5 and 70 are left over, channel 3's code is incomplete; the template's 20 rows give way.
        f.channelSlots[5].shown = f.channelSlots[70].shown = true;
        QCOMPARE(f.rebuild(1, 1, "7:07 1:03 3:0 2:02"), 0);
        QCOMPARE(f.rows(), "1 3 3 Druck, 2 2 2 Feuchte, 7 7 7 Strahlung");
        QCOMPARE(f.shown(), "1 1.1 hPa|Druck|Luftdruck|3, 2 2.1 %|Feuchte|Relative Luftfeuchte|2, "
                            "7 7.1 W/m²|Strahlung|Globalstrahlung|7");
        // Other pairs, then back: only the rows of the pair rebuilt are replaced; "1a" is sensor 26.
        QVERIFY(f.rebuild(1, 2, "15:1a") == 0 && f.rebuild(2, 1, "19:01") == 0 && f.warnings.isEmpty());

        // Codes missing from the catalogue are shown under their number, each warned about once.
        sqlValue(f.db, "DELETE FROM tblEinheiten WHERE Sensor = 26");
        sqlValue(f.db, "DELETE FROM tblSensorcodes WHERE Sensor = 3");
        f.warnings << "earlier line";
        QCOMPARE(f.rebuild(1, 1, "1:03 7:1b 9:1B 15:1A"), 0);
        QCOMPARE(f.warnings, QStringList({"earlier line", "Sensorcode 03 von Kanal 1 fehlt im Sensorkatalog",
                                          "Sensorcode 1B von Kanal 7 und 9 fehlt im Sensorkatalog",
                                          "Einheit zu Sensorcode 1A von Kanal 15 fehlt im Sensorkatalog"}));
        QCOMPARE(f.shown(),
                 "1 1.1 hPa|Kanal 1|Sensor 0x03 (unbekannt)|3, 7 7.1 |Kanal 7|Sensor 0x1B (unbekannt)|27, "
                 "9 9.1 |Kanal 9|Sensor 0x1B (unbekannt)|27, 15 15.1 |UV|UV-Index|26");
        QCOMPARE(f.rows("ProviderID, ConfigID, KanalNr, Sensor, EinheitID, KanalArt"),
                 "1 2 15 26 21 Strahlung, 2 1 19 1 1 Temperatur, 1 1 1 3 3 NULL, 1 1 7 27 NULL NULL, "
                 "1 1 9 27 NULL NULL, 1 1 15 26 NULL Strahlung");

        // A failure changes nothing, even once the old rows are deleted and new ones added before a refusal.
        const QString before = f.rows("*") + " / " + f.shown();
        QCOMPARE(f.rebuild(1, 1, "2:02 7:1G"), 13); // G is no hex digit
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        sqlValue(f.db, "CREATE TRIGGER refuse BEFORE INSERT ON tblKanal WHEN NEW.KanalNr = 7 BEGIN SELECT "
                       "RAISE(ABORT, 'gesperrt'); END");
        QCOMPARE(f.rebuild(1, 1, "2:02 7:07"), 1811);
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        sqlValue(f.db, "DROP TRIGGER refuse");
        sqlValue(f.db, "UPDATE tblEinheiten SET Einheit = NULL WHERE Sensor = 7");
        QCOMPARE(f.rebuild(1, 1, "2:02 7:07"), 94);
        QCOMPARE(f.rows("*") + " / " + f.shown(), before);
        QCOMPARE(f.warnings.size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestChannelTable)
#include "tst_channeltable.moc"
