#include "eval/textout.h"

#include <QMetaType>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr int timeStampWidth = 22;
constexpr int valueWidth = 12;

// Walks a date or time format, keeps quoted literals as they stand and hands every run of one repeated
// pattern letter to rewrite, which returns its replacement.
QString rewritePattern(const QString &pattern, const std::function<QString(const QString &)> &rewrite) {
    QString out;
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            qsizetype end = pattern.indexOf(u'\'', i + 1);
            if (end < 0)
                end = pattern.size() - 1;
            out += pattern.mid(i, end - i + 1);
            i = end + 1;
            continue;
        }
        qsizetype end = i + 1;
        if (c.isLetter()) {
            while (end < pattern.size() && pattern.at(end) == c)
                ++end;
        }
        const QString run = pattern.mid(i, end - i);
        out += c.isLetter() ? rewrite(run) : run;
        i = end;
    }
    return out;
}

QString fullYearDateFormat(const QLocale &loc) {
    return rewritePattern(loc.dateFormat(QLocale::ShortFormat), [](const QString &run) {
        return run == QLatin1String("yy") ? QStringLiteral("yyyy") : run;
    });
}

QString timeWithSecondsFormat(const QLocale &loc) {
    const QString withoutZone = rewritePattern(loc.timeFormat(QLocale::LongFormat), [](const QString &run) {
        return run.startsWith(u't') ? QString() : run;
    });
    return withoutZone.trimmed();
}

// The text of an item that is written "as text": date-times in the general date format, numbers in the
// user's locale, everything else as its own text.
QString itemText(const QVariant &was, const QLocale &loc, std::optional<RunError> &failure) {
    if (!was.isValid()) {
        failure = RunError::invalidUseOfNull();
        return {};
    }
    switch (was.metaType().id()) {
    case QMetaType::QDateTime:
        return formatDateTime(was.toDateTime(), loc);
    case QMetaType::Double:
    case QMetaType::Float:
        return formatNumber(was.toDouble(), loc);
    default:
        break;
    }
    if (!was.canConvert(QMetaType::fromType<QString>())) {
        failure = RunError::typeMismatch();
        return {};
    }
    return was.toString();
}

// The number of an item, for the channel and sensor columns.
std::optional<double> itemNumber(const QVariant &was, std::optional<RunError> &failure) {
    if (!was.isValid()) {
        failure = RunError::invalidUseOfNull();
        return std::nullopt;
    }
    bool ok = false;
    const double v = was.toDouble(&ok);
    if (!ok) {
        failure = RunError::typeMismatch();
        return std::nullopt;
    }
    if (!std::isfinite(v)) {
        failure = RunError::overflow();
        return std::nullopt;
    }
    return v;
}

// At least two digits ("00"): halves are rounded away from zero, 7 gives 07, 112 gives 112, -7 gives -07.
QString twoDigitNumber(double v) {
    const double rounded = std::round(v);
    const QString digits = QString::number(std::fabs(rounded), 'f', 0).rightJustified(2, u'0');
    return rounded < 0 ? u'-' + digits : digits;
}

// Upper-case hexadecimal cut to its last two digits. The value is taken as a 32-bit integer (halves to the
// even neighbour); negative values show their two's complement, so -1 gives FF.
QString twoDigitHex(double v, std::optional<RunError> &failure) {
    const double rounded = std::nearbyint(v);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max()) {
        failure = RunError::overflow();
        return {};
    }
    const auto bits = static_cast<quint32>(static_cast<qint32>(rounded));
    return QString::number(bits, 16).toUpper().rightJustified(2, u'0').right(2);
}

// The locale with the number options of formatNumber.
QLocale numberLocale(const QLocale &loc) {
    QLocale plain(loc);
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return plain;
}

// Appends an item text in its place on the line: after the separator, or in its fixed column.
void place(QString &line, QStringView item, int wie, const OutputFormat &format) {
    if (format.Trennen) {
        if (wie != 0)
            line += QChar(static_cast<char16_t>(format.TrennZeichen));
        line += item;
        return;
    }
    switch (wie) {
    case 0:
        line += item.left(timeStampWidth);
        line += QString(timeStampWidth - std::min<qsizetype>(item.size(), timeStampWidth), u' ');
        return;
    case 3:
        // A longer value keeps its last digits, the ones that differ from record to record.
        line += QString(valueWidth - std::min<qsizetype>(item.size(), valueWidth), u' ');
        line += item.right(valueWidth);
        break;
    default:
        line += item;
        break;
    }
    line += u' ';
}

} // namespace

QString generalDateFormat(const QLocale &loc) {
    return fullYearDateFormat(loc) + u' ' + timeWithSecondsFormat(loc);
}

QString formatDateTime(const QDateTime &t, const QLocale &loc) {
    if (!t.isValid())
        return {};
    if (t.time() == QTime(0, 0))
        return loc.toString(t.date(), fullYearDateFormat(loc));
    return loc.toString(t, generalDateFormat(loc));
}

QString formatNumber(double v, const QLocale &loc) {
    return numberLocale(loc).toString(v, 'G', 15);
}

QString Forme(const QVariant &was, int wie, const OutputFormat &format, std::optional<RunError> *error,
              const QLocale &loc) {
    std::optional<RunError> failure;
    QString item;
    switch (wie) {
    case 0:
    case 3:
        item = itemText(was, loc, failure);
        break;
    case 1:
        if (const std::optional<double> v = itemNumber(was, failure))
            item = twoDigitNumber(*v);
        break;
    case 2:
        if (const std::optional<double> v = itemNumber(was, failure))
            item = twoDigitHex(*v, failure);
        break;
    default:
        failure = RunError::invalidArgument();
        break;
    }
    if (error)
        *error = failure;
    QString placed;
    if (!failure)
        place(placed, item, wie, format);
    return placed;
}

QString textOutputLine(const QDateTime &recordTime, const HeaderCodes &headerCodes,
                       const AverageValues &values, int valuesPerChannel, const OutputFormat &format,
                       std::optional<RunError> *error, const QLocale &loc) {
    if (error)
        error->reset();
    // The record's digit gives one or three values per channel; any other count reaches beyond the values.
    if (valuesPerChannel != 1 && valuesPerChannel != 3) {
        if (error)
            *error = RunError::subscriptOutOfRange();
        return {};
    }

    // The items as Forme writes them, without a variant per item and with the number locale made once.
    const QLocale plain = numberLocale(loc);
    std::optional<RunError> unused;
    QString line;
    line.reserve(1024);
    place(line, formatDateTime(recordTime, loc), 0, format);
    for (int channel = 1; channel < static_cast<int>(values.size()); ++channel) {
        const quint8 code = headerCodes.at(channel);
        if (code == 0)
            continue;
        if (format.doKanal)
            place(line, twoDigitNumber(channel), 1, format);
        if (format.doSensor)
            place(line, twoDigitHex(code, unused), 2, format);
        for (int k = 1; k <= valuesPerChannel; ++k)
            place(line, plain.toString(values.at(channel).at(k), 'G', 15), 3, format);
    }
    return line;
}
