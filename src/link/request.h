#pragma once

#include <QByteArray>
#include <QString>

// Control characters of the logger protocol.
namespace LinkChar {
constexpr char STX = 2;
constexpr char ETB = 23;
constexpr char ESC = 27;
constexpr char CR = 13;
} // namespace LinkChar

// A request to the logger: STX, the station number exactly as shown (whatever its length), ESC, the command
// ("A", "H", "M" or "MR") and CR, one byte per character. Characters outside ISO-8859-1 become "?".
QByteArray buildRequest(const QString &station, const QString &command);
