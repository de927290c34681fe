#include "config/configlist.h"

#include <algorithm>
#include <limits>

const QString ConfigList::newName = QStringLiteral("---");

bool ConfigList::take(qint32 number, const QString &name, const QString &station) {
    if (number < 1)
        return false;
    grow(number);
    ConfigNames[number] = name;
    ConfigStations[number] = station;
    order << number;
    return true;
}

std::optional<qint32> ConfigList::addNew(const QString &station) {
    if (HighestConfigNr == std::numeric_limits<qint32>::max())
        return std::nullopt;
    const qint32 number = HighestConfigNr + 1;
    take(number, newName, station);
    return number;
}

void ConfigList::setName(qint32 number, const QString &name) {
    if (number < 1)
        return;
    grow(number);
    ConfigNames[number] = name;
}

void ConfigList::setStation(qint32 number, const QString &station) {
    if (number < 1)
        return;
    grow(number);
    ConfigStations[number] = station;
}

QList<qint32> ConfigList::configured() const {
    QList<qint32> numbers;
    for (auto it = ConfigStations.cbegin(); it != ConfigStations.cend(); ++it) {
        if (!it.value().isEmpty())
            numbers << it.key();
    }
    return numbers;
}

void ConfigList::grow(qint32 number) {
    HighestConfigNr = std::max(HighestConfigNr, number);
}

namespace StationNumber {

namespace {
constexpr int count = 30;
}

QStringList entries() {
    QStringList list;
    for (int station = 1; station <= count; ++station)
        list << QStringLiteral("%1").arg(station, 2, 10, QLatin1Char('0'));
    return list;
}

std::optional<int> index(const QString &station) {
    bool ok = false;
    const int number = station.trimmed().toInt(&ok);
    if (!ok || number < 1 || number > count)
        return std::nullopt;
    return number - 1;
}

} // namespace StationNumber

std::optional<qint32> configNumber(const QString &text) {
    bool ok = false;
    const qint32 number = text.toInt(&ok);
    if (!ok || number < 1)
        return std::nullopt;
    return number;
}

std::optional<QString> choiceProblem(const StationChoice &choice) {
    if (!choice.loggerSelected)
        return QStringLiteral("Bitte wählen Sie einen Datenlogger aus.");
    if (choice.configCount == 0)
        return QStringLiteral("Für den Datenlogger „%1“ ist noch keine Konfiguration angelegt.\n"
                              "Legen Sie mit „Neu“ eine Konfiguration an.")
            .arg(choice.loggerText);
    const std::optional<qint32> number = configNumber(choice.configText);
    if (!number)
        return QStringLiteral("Bitte wählen Sie eine Konfiguration aus.");
    if (!StationNumber::index(choice.station)) {
        if (choice.station.isEmpty())
            return QStringLiteral(
                       "Bitte wählen Sie für die Konfiguration %1 eine Stationsnummer von 01 bis 30 aus.")
                .arg(*number);
        return QStringLiteral("Die Stationsnummer „%1“ der Konfiguration %2 liegt nicht zwischen 1 und 30.\n"
                              "Bitte wählen Sie eine Stationsnummer von 01 bis 30 aus.")
            .arg(choice.station, QString::number(*number));
    }
    return std::nullopt;
}
