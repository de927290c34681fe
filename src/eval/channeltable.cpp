#include "eval/channeltable.h"

#include "eval/telegram.h"
#include "store/database.h"

#include <QHash>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr int lastChannel = 60;
constexpr int lastSlot = 100;

struct UnitRow {
    QVariant Id;
    QVariant Einheit;
};

struct SensorRow {
    QVariant KurzText;
    QVariant Beschreibung;
    QVariant Sensorart;
};

struct KanalRow {
    int channel = 0;
    quint8 sensor = 0;
    QVariant EinheitID;
    QVariant KanalArt;
};

std::optional<quint8> sensorCodeOf(const QByteArray &text) {
    const int high = hexDigitValue(text.at(0));
    const int low = hexDigitValue(text.at(1));
    if (high < 0 || low < 0)
        return std::nullopt;
    return static_cast<quint8>(high * 16 + low);
}

// Reads a catalogue table in its stored order; the first row of a sensor code is the one that counts, as a
// search for "Sensor = n" finds it.
template <typename Row>
std::optional<RunError> readCatalogue(const QSqlDatabase &db, const QString &sql, QHash<qint64, Row> &rows,
                                      Row (*rowOf)(const QSqlQuery &)) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return Store::fromSqlError(query.lastError());
    while (query.next()) {
        const QVariant sensor = query.value(0);
        if (!sensor.isNull() && !rows.contains(sensor.toLongLong()))
            rows.insert(sensor.toLongLong(), rowOf(query));
    }
    if (query.lastError().isValid())
        return Store::fromSqlError(query.lastError());
    return std::nullopt;
}

std::optional<RunError> textOf(const QVariant &value, QString &out) {
    if (value.isNull())
        return RunError::invalidUseOfNull();
    out = value.toString();
    return std::nullopt;
}

QString channelList(const QList<int> &channels) {
    QString text = QString::number(channels.first());
    for (qsizetype i = 1; i < channels.size(); ++i) {
        text += (i + 1 == channels.size() ? QStringLiteral(" und ") : QStringLiteral(", ")) +
                QString::number(channels.at(i));
    }
    return text;
}

std::optional<RunError> replaceRows(const QSqlDatabase &db, qint32 provider, qint32 config,
                                    const QList<KanalRow> &rows) {
    return Store::inTransaction(db, [&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM tblKanal WHERE ProviderID = ? AND ConfigID = ?"));
        query.addBindValue(provider);
        query.addBindValue(config);
        if (!query.exec())
            return false;
        if (!query.prepare(
                QStringLiteral("INSERT INTO tblKanal (ProviderID, ConfigID, KanalNr, Sensor, EinheitID, "
                               "KanalArt) VALUES (?, ?, ?, ?, ?, ?)")))
            return false;
        for (const KanalRow &row : rows) {
            query.addBindValue(provider);
            query.addBindValue(config);
            query.addBindValue(row.channel);
            query.addBindValue(static_cast<int>(row.sensor));
            query.addBindValue(row.EinheitID);
            query.addBindValue(row.KanalArt);
            if (!query.exec())
                return false;
        }
        return true;
    });
}

} // namespace

QString sensorCodeText(quint8 code) {
    return QStringLiteral("%1").arg(static_cast<int>(code), 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<RunError> rebuildChannelTable(const QSqlDatabase &db, qint32 provider, qint32 config,
                                            const InstCodes &codes, const InstValues &values,
                                            ChannelSlots &channelSlots, QStringList &warnings) {
    std::array<std::optional<quint8>, lastChannel + 1> sensors{};
    for (int channel = 1; channel <= lastChannel; ++channel) {
        if (codes[channel].size() != 2)
            continue;
        sensors[channel] = sensorCodeOf(codes[channel]);
        if (!sensors[channel])
            return RunError::typeMismatch();
    }

    QHash<qint64, UnitRow> units;
    if (auto error = readCatalogue<UnitRow>(
            db, QStringLiteral("SELECT Sensor, Id, Einheit FROM tblEinheiten ORDER BY rowid"), units,
            [](const QSqlQuery &q) {
                return UnitRow{q.value(1), q.value(2)};
            }))
        return error;
    QHash<qint64, SensorRow> sensorRows;
    if (auto error = readCatalogue<SensorRow>(
            db,
            QStringLiteral(
                "SELECT Sensor, KurzText, Beschreibung, Sensorart FROM tblSensorcodes ORDER BY rowid"),
            sensorRows, [](const QSqlQuery &q) {
                return SensorRow{q.value(1), q.value(2), q.value(3)};
            }))
        return error;

    ChannelSlots filled = channelSlots;
    for (int channel = 1; channel <= lastSlot; ++channel)
        filled[channel].shown = false;
    QList<KanalRow> rows;
    // Channels by unknown code, and codes whose unit alone is unknown; in code order for the log.
    QMap<quint8, QList<int>> unknownSensors;
    QMap<quint8, QList<int>> unknownUnits;
    for (int channel = 1; channel <= lastChannel; ++channel) {
        if (!sensors[channel])
            continue;
        const quint8 code = *sensors[channel];
        ChannelSlot &slot = filled[channel];
        KanalRow row{channel, code, {}, {}};
        slot.sensorCode = code;
        slot.value = values[channel];
        slot.shown = true;

        slot.unit.clear();
        const auto unit = units.constFind(code);
        if (unit != units.cend()) {
            if (auto error = textOf(unit->Einheit, slot.unit))
                return error;
            row.EinheitID = unit->Id;
        }
        const auto sensor = sensorRows.constFind(code);
        if (sensor != sensorRows.cend()) {
            if (auto error = textOf(sensor->KurzText, slot.KurzText))
                return error;
            if (auto error = textOf(sensor->Beschreibung, slot.Beschreibung))
                return error;
            row.KanalArt = sensor->Sensorart;
            if (unit == units.cend())
                unknownUnits[code].append(channel);
        } else {
            slot.KurzText = QStringLiteral("Kanal %1").arg(channel);
            slot.Beschreibung = QStringLiteral("Sensor 0x%1 (unbekannt)").arg(sensorCodeText(code));
            unknownSensors[code].append(channel);
        }
        rows.append(row);
    }

    if (auto error = replaceRows(db, provider, config, rows))
        return error;
    channelSlots = filled;
    for (auto it = unknownSensors.cbegin(); it != unknownSensors.cend(); ++it) {
        warnings.append(QStringLiteral("Sensorcode %1 von Kanal %2 fehlt im Sensorkatalog")
                            .arg(sensorCodeText(it.key()), channelList(it.value())));
    }
    for (auto it = unknownUnits.cbegin(); it != unknownUnits.cend(); ++it) {
        warnings.append(QStringLiteral("Einheit zu Sensorcode %1 von Kanal %2 fehlt im Sensorkatalog")
                            .arg(sensorCodeText(it.key()), channelList(it.value())));
    }
    return std::nullopt;
}

void takeInstantValues(ChannelSlots &channelSlots, const InstValues &values) {
    for (int channel = 1; channel < int(values.size()); ++channel) {
        if (channelSlots[channel].shown)
            channelSlots[channel].value = values[channel];
    }
}
