#pragma once

#include "eval/values.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>

#include <optional>

// Rows of tblMesswerte. The field "was" tells the kind of a row: 1 instantaneous values, 2 ... 4 the first,
// second and third value of an average record. Channels without a value in a row stay Null.
namespace MeasKind {
constexpr int instant = 1;
constexpr int firstAverage = 2;
} // namespace MeasKind

// One row of kind 1 with the channels 1 ... 60 present in the "A" telegram (a two-character code); the row is
// written even when no channel is present.
std::optional<RunError> storeInstantRow(const QSqlDatabase &db, qint32 provider, qint32 config,
                                        const QDateTime &time, const InstCodes &codes,
                                        const InstValues &values);

// An average record with everything its rows need: logger, configuration, time, header codes and values.
struct AverageRecord {
    qint32 provider = 0;
    qint32 config = 0;
    QDateTime recordTime;
    HeaderCodes headerCodes{};
    AverageValues values{};
};

// The rows of kinds 2, 3 and 4 of one average record: value 1, 2 and 3 of every channel 1 ... 60 whose header
// code is not 0 (a record with one value per channel holds 0 in values 2 and 3). A header without any such
// channel writes no row. All rows are written in one transaction: on an error none of them is kept.
std::optional<RunError> storeAverageRows(const QSqlDatabase &db, const AverageRecord &record);

// The rows of several average records, all in one transaction. A record whose rows are there already (the
// same logger, configuration and time) is not written again, so a batch that was committed once may be
// offered again without giving any record twice. `written` (when given) counts the records written.
std::optional<RunError> storeAverageRecords(const QSqlDatabase &db, const QList<AverageRecord> &records,
                                            int *written = nullptr);
