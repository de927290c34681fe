#pragma once

#include "eval/values.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <optional>

// The locale's general date-time format: its short date with a four-digit year, then its time with seconds
// (without a time-zone part).
QString generalDateFormat(const QLocale &loc);

// A date-time as the user sees it: general date format, the date alone when the time is exactly midnight,
// an empty text for the zero (invalid) date-time.
QString formatDateTime(const QDateTime &t, const QLocale &loc = QLocale());

// A number as the user sees it: the locale's decimal point, at most 15 significant digits, no trailing zeros,
// no group separators.
QString formatNumber(double v, const QLocale &loc = QLocale());

// The output settings that shape a text output line.
struct OutputFormat {
    bool Trennen = true;       // separator mode; fixed columns when false
    quint8 TrennZeichen = 124; // character code of the separator
    bool doKanal = true;       // write the channel number column
    bool doSensor = true;      // write the sensor code column
};

// Formats one item of a text output line. wie: 0 time stamp, 1 channel number, 2 sensor code, 3 value.
// A failure gives an empty text; the failure is handed to the caller through error (when given) so that it
// can be reported.
QString Forme(const QVariant &was, int wie, const OutputFormat &format,
              std::optional<RunError> *error = nullptr, const QLocale &loc = QLocale());

// The text output line of one average record: the time stamp, then for every channel 1 ... 60 with a
// non-zero header code its optional channel and sensor columns and its values 1 ... valuesPerChannel.
// A values-per-channel count other than 1 or 3 reaches beyond the stored values: the result is empty and
// error (when given) tells why.
QString textOutputLine(const QDateTime &recordTime, const HeaderCodes &headerCodes,
                       const AverageValues &values, int valuesPerChannel, const OutputFormat &format,
                       std::optional<RunError> *error = nullptr, const QLocale &loc = QLocale());
