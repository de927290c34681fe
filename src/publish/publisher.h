#pragma once

#include <QString>

// Who publishes Skylog: named on the pages, in the info window and in the browser window.
namespace Publisher {

inline const QString name = QStringLiteral("Tarvik");
inline const QString street = QStringLiteral("Am Wetterhang 12");
inline const QString town = QStringLiteral("99999 Nordheide");
inline const QString mailAddress = QStringLiteral("info@tarvik.example");
inline const QString webAddress = QStringLiteral("www.tarvik.example");
inline const QString webSite = QStringLiteral("http://www.tarvik.example/");
// The logo as the pages link it; the picture itself lies beside the pages.
inline const QString logoFile = QStringLiteral("logo.jpg");

} // namespace Publisher
