#pragma once

#include "store/runerror.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// Named serial configurations (tblConfigCOM). The table stores positions in the fixed lists below, so the
// order of these lists is part of the stored format and must never change.
namespace ComConfig {

inline const QStringList ports{QStringLiteral("COM 1"), QStringLiteral("COM 2"), QStringLiteral("COM 3"),
                               QStringLiteral("COM 4"), QStringLiteral("COM 5"), QStringLiteral("COM 6"),
                               QStringLiteral("COM 7"), QStringLiteral("COM 8")};
inline const QStringList baudRates{QStringLiteral("110"),   QStringLiteral("300"),   QStringLiteral("600"),
                                   QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("9600"),
                                   QStringLiteral("14400"), QStringLiteral("19200"), QStringLiteral("28800"),
                                   QStringLiteral("38400"), QStringLiteral("56000")};
inline const QStringList parities{QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd"),
                                  QStringLiteral("mark"), QStringLiteral("space")};
inline const QStringList dataBits{QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                  QStringLiteral("8")};
inline const QStringList stopBits{QStringLiteral("1"), QStringLiteral("2")};
inline const QStringList handshakes{QStringLiteral("kein"), QStringLiteral("XOnXOff"), QStringLiteral("RTS"),
                                    QStringLiteral("beides")};

struct Entry {
    qint32 ID = 0;
    QString ConfName;
    bool aktiv = false;
    int Com = 0;
    int Baudrate = 9;
    int Parity = 0;
    int DataBits = 3;
    int StopBits = 0;
    int HShake = 2;
    int DTR = 0;
    int rts = 0;
};

// What the dialog shows while the table has no row: COM 1, 38400, none, 8, 1, RTS, DTR and RTS off.
inline Entry defaults() {
    return Entry{};
}

// Every configuration, in table order.
QList<Entry> readAll(const QSqlDatabase &db, std::optional<RunError> *error);
std::optional<Entry> readOne(const QSqlDatabase &db, qint32 id, std::optional<RunError> *error);

// The configuration the port is opened with: the last active one in table order, the defaults while the
// table is empty, none when rows exist but none is active.
std::optional<Entry> activeEntry(const QList<Entry> &entries);

// Saves `entry` as the only active configuration: a new row when `ID` is 0, else the row with that ID. Either
// everything is saved or nothing changes.
std::optional<RunError> saveActive(const QSqlDatabase &db, const Entry &entry);

} // namespace ComConfig
