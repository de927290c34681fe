#pragma once

#include <QLocale>
#include <QString>

// Geometry and texts of the instantaneous-values panel. Lengths are in twips (1/1440 inch); the screen has
// 15 twips per pixel (96 dpi).
namespace Panel {

constexpr int twipsPerPixel = 15;
constexpr int rowPitch = 360;
constexpr int nameTop = 45;
constexpr int valueTop = 15;
// One step of the scroll bar moves the rows by this much.
constexpr int scrollStep = 60;

// Values above this mark a failed measurement.
constexpr double errorLimit = 99999899;

// Colours as blue * 65536 + green * 256 + red.
constexpr quint32 black = 0;
constexpr quint32 red = 255;

constexpr int pixels(int twips) {
    return twips / twipsPerPixel;
}

struct ValueText {
    QString text;
    quint32 colour = black;
};

// "23,5 °C " in black (the locale's number, a blank, the unit, a blank), or "Fehler " in red for a value that
// marks an error.
ValueText valueText(double value, const QString &unit, const QLocale &loc = QLocale());

// The scroll bar's maximum for a panel of rows rows in a viewport of the given inner height: the part of the
// frame that does not fit, plus the top margin of a name, in scroll steps, the fraction dropped. Below 1 the
// rows fit and the scroll bar is out of use; the result may be negative.
int scrollMaximum(int rows, int viewportTwips);

} // namespace Panel
