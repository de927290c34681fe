#include "eval/paneltext.h"

#include "eval/textout.h"

namespace Panel {

ValueText valueText(double value, const QString &unit, const QLocale &loc) {
    if (value > errorLimit)
        return {QStringLiteral("Fehler "), red};
    return {formatNumber(value, loc) + QLatin1Char(' ') + unit + QLatin1Char(' '), black};
}

int scrollMaximum(int rows, int viewportTwips) {
    // Integer division drops the fraction toward zero, also for a negative result.
    return (rows * rowPitch - viewportTwips - nameTop) / scrollStep;
}

} // namespace Panel
