#pragma once

#include "store/runerror.h"

#include <QDateTime>
#include <QSqlRecord>
#include <QVariant>

#include <optional>

// Reading a column into a typed value the way the settings and state tables need it. A missing column, a Null
// where a number or Yes/No is required, a text that is no number or a number out of range is a RunError, and
// the target keeps its previous value.
namespace Fields {

std::optional<RunError> readLong(const QSqlRecord &record, const QString &name, qint32 &out);
std::optional<RunError> readBool(const QSqlRecord &record, const QString &name, bool &out);
std::optional<RunError> readByte(const QSqlRecord &record, const QString &name, quint8 &out);
// Null reads as empty text.
std::optional<RunError> readText(const QSqlRecord &record, const QString &name, QString &out);
// Null reads as the zero date-time (an invalid QDateTime).
std::optional<RunError> readDate(const QSqlRecord &record, const QString &name, QDateTime &out);

// Date-times are stored as ISO text in local time.
QVariant dateValue(const QDateTime &t);

} // namespace Fields
