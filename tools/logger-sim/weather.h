#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The station's sensors, its channel layouts and a deterministic weather that the simulated logger measures.
namespace loggersim {

// Sensor codes of the station's catalogue.
enum SensorCode : int {
    AirTemperature = 0x01,
    Humidity = 0x02,
    Pressure = 0x03,
    WindSpeed = 0x04,
    WindDirection = 0x05,
    Precipitation = 0x06,
    GlobalRadiation = 0x07,
    DewPoint = 0x08,
    SoilTemperature5 = 0x09,
    WindGust = 0x0A,
    Sunshine = 0x0B,
    SoilTemperature20 = 0x0C,
    SoilTemperature50 = 0x0D,
    SoilMoisture = 0x0E,
    Evaporation = 0x0F,
    BatteryVoltage = 0x10,
    HousingTemperature = 0x11,
    AirTemperature5 = 0x12,
    Visibility = 0x13,
    SnowHeight = 0x14,
    UvIndex = 0x1A,
};

// All codes of the catalogue, in code order.
const QList<int> &sensorCatalogue();

bool isKnownSensor(int code);

// Decimal places the logger sends for a sensor.
int sensorDecimals(int code);

// Rain, sunshine and evaporation are amounts: an average record holds their sum over the interval.
bool isAmount(int code);

struct Channel {
    int number;
    int code;
    bool averaged = true; // false: the header shows code 00 and average records leave the channel out
};

using Layout = QList<Channel>;

// Highest channel number the logger uses.
constexpr int maxChannels = 60;

// The station's 20 channels.
Layout standardLayout();

// Channels 1 … count, their codes cycling through the catalogue.
Layout generatedLayout(int count);

// "standard", or a comma-separated list of hexadecimal sensor codes for channels 1, 2, …
std::optional<Layout> parseLayout(const QString &text);

struct Statistics {
    double mean;
    double minimum;
    double maximum;
};

class WeatherModel {
public:
    explicit WeatherModel(quint64 seed);

    // What the sensors show at this second; amounts give their sum over the last ten minutes.
    QList<double> instant(const QList<int> &codes, const QDateTime &time) const;

    // Mean, minimum and maximum of the one-minute values of the interval that ends at time; for amounts the
    // "mean" is the sum over the interval.
    QList<Statistics> average(const QList<int> &codes, const QDateTime &time, int minutes) const;

private:
    struct State;
    State stateAt(qint64 utcSeconds, int utcOffset) const;
    double slow(qint64 utcSeconds, int key, double periodDays) const;
    double jitter(qint64 utcSeconds, int key) const;
    double hash01(quint64 a, quint64 b) const;

    quint64 seed;
};

} // namespace loggersim
