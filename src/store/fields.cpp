#include "store/fields.h"

#include <cmath>
#include <limits>

namespace Fields {

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

std::optional<RunError> columnValue(const QSqlRecord &record, const QString &name, QVariant &value) {
    const int index = record.indexOf(name);
    if (index < 0) {
        RunError error = RunError::itemNotFound();
        error.text += QStringLiteral(" (") + name + QLatin1Char(')');
        return error;
    }
    value = record.value(index);
    return std::nullopt;
}

// A whole number as the conversion to Long does it: text is read as a number, fractions round half to even.
std::optional<RunError> wholeNumber(const QVariant &value, double &out) {
    if (value.isNull())
        return RunError::invalidUseOfNull();
    bool ok = false;
    const double number =
        value.typeId() == QMetaType::QString ? value.toString().trimmed().toDouble(&ok) : value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return RunError::typeMismatch();
    out = std::nearbyint(number);
    return std::nullopt;
}

// A whole number column into an integer type; a number outside the type's range is an overflow.
template <typename T>
std::optional<RunError> readWhole(const QSqlRecord &record, const QString &name, T &out) {
    QVariant value;
    if (auto error = columnValue(record, name, value))
        return error;
    double number = 0;
    if (auto error = wholeNumber(value, number))
        return error;
    if (number < std::numeric_limits<T>::min() || number > std::numeric_limits<T>::max())
        return RunError::overflow();
    out = static_cast<T>(number);
    return std::nullopt;
}

} // namespace

std::optional<RunError> readLong(const QSqlRecord &record, const QString &name, qint32 &out) {
    return readWhole(record, name, out);
}

std::optional<RunError> readByte(const QSqlRecord &record, const QString &name, quint8 &out) {
    return readWhole(record, name, out);
}

std::optional<RunError> readBool(const QSqlRecord &record, const QString &name, bool &out) {
    QVariant value;
    if (auto error = columnValue(record, name, value))
        return error;
    if (value.isNull())
        return RunError::invalidUseOfNull();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("wahr")) {
            out = true;
            return std::nullopt;
        }
        if (text == QLatin1String("false") || text == QLatin1String("falsch")) {
            out = false;
            return std::nullopt;
        }
    }
    double number = 0;
    if (auto error = wholeNumber(value, number))
        return error;
    out = number != 0;
    return std::nullopt;
}

std::optional<RunError> readText(const QSqlRecord &record, const QString &name, QString &out) {
    QVariant value;
    if (auto error = columnValue(record, name, value))
        return error;
    out = value.isNull() ? QString() : value.toString();
    return std::nullopt;
}

std::optional<RunError> readDate(const QSqlRecord &record, const QString &name, QDateTime &out) {
    QVariant value;
    if (auto error = columnValue(record, name, value))
        return error;
    if (value.isNull()) {
        out = QDateTime();
        return std::nullopt;
    }
    const QString text = value.toString().trimmed();
    QDateTime t = QDateTime::fromString(text, dateFormat);
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        t = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    if (!t.isValid())
        return RunError::typeMismatch();
    out = t;
    return std::nullopt;
}

QVariant dateValue(const QDateTime &t) {
    return t.isValid() ? QVariant(t.toString(dateFormat)) : QVariant();
}

} // namespace Fields
