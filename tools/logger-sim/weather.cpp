#include "weather.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace loggersim {

const QList<int> &sensorCatalogue() {
    static const QList<int> codes = {
        AirTemperature, Humidity,           Pressure,          WindSpeed,        WindDirection,
        Precipitation,  GlobalRadiation,    DewPoint,          SoilTemperature5, WindGust,
        Sunshine,       SoilTemperature20,  SoilTemperature50, SoilMoisture,     Evaporation,
        BatteryVoltage, HousingTemperature, AirTemperature5,   Visibility,       SnowHeight,
        UvIndex};
    return codes;
}

bool isKnownSensor(int code) {
    return sensorCatalogue().contains(code);
}

int sensorDecimals(int code) {
    switch (code) {
    case WindDirection:
    case GlobalRadiation:
    case Sunshine:
    case Visibility:
    case SnowHeight:
        return 0;
    case BatteryVoltage:
    case Evaporation:
        return 2;
    default:
        return 1;
    }
}

bool isAmount(int code) {
    return code == Precipitation || code == Sunshine || code == Evaporation;
}

Layout standardLayout() {
    static const int codes[] = {0x03, 0x02, 0x04, 0x05, 0x0A, 0x06, 0x07, 0x08, 0x09, 0x0C,
                                0x0D, 0x0B, 0x0E, 0x12, 0x1A, 0x0F, 0x13, 0x14, 0x01, 0x10};
    Layout layout;
    int number = 1;
    for (const int code : codes)
        layout.append({number++, code});
    return layout;
}

Layout generatedLayout(int count) {
    const QList<int> &catalogue = sensorCatalogue();
    Layout layout;
    for (int number = 1; number <= count; ++number)
        layout.append({number, catalogue.at((number - 1) % catalogue.size())});
    return layout;
}

std::optional<Layout> parseLayout(const QString &text) {
    if (text.trimmed().compare(QLatin1String("standard"), Qt::CaseInsensitive) == 0)
        return standardLayout();
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > maxChannels)
        return std::nullopt;
    Layout layout;
    for (const QString &part : parts) {
        bool ok = false;
        const int code = part.trimmed().toInt(&ok, 16);
        if (!ok || !isKnownSensor(code))
            return std::nullopt;
        layout.append({static_cast<int>(layout.size()) + 1, code});
    }
    return layout;
}

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double latitude = 50.5 * pi / 180.0;
constexpr double longitudeHours = 10.0 / 15.0;

// Keys that give every random quantity its own stream.
enum Key : int {
    KeyTemperature = 1,
    KeyHumidity,
    KeyPressure,
    KeyWind,
    KeyGust,
    KeyDirection,
    KeyWetness,
    KeyShower,
    KeyShowerStart,
    KeyShowerLength,
    KeyShowerPeak,
    KeyCloud,
    KeyRadiation,
    KeySoil,
    KeySoilMoisture,
    KeyBattery,
    KeyHousing,
    KeyGround,
    KeyVisibility,
    KeySnow,
};

quint64 mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// -1 at 6:00, +1 at 15:00, cosine-shaped rise over 9 hours and fall over 15 hours.
double dailyCycle(double hour) {
    const double h = std::fmod(hour + 48.0, 24.0);
    if (h >= 6.0 && h < 15.0)
        return -std::cos(pi * (h - 6.0) / 9.0);
    return std::cos(pi * std::fmod(h - 15.0 + 24.0, 24.0) / 15.0);
}

// Mean air temperature of the season: coldest in mid-January, warmest in mid-July.
double seasonTemperature(double dayOfYear) {
    return 9.0 - 9.5 * std::cos(2.0 * pi * (dayOfYear - 15.0) / 365.25);
}

double clamp(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

} // namespace

struct WeatherModel::State {
    double airTemperature;
    double humidity;
    double pressure;
    double windSpeed;
    double windGust;
    double windDirection;
    double rainPerMinute;
    double radiation;
    double dewPoint;
    double soil5;
    double soil20;
    double soil50;
    double soilMoisture;
    double evaporationPerMinute;
    double battery;
    double housing;
    double airTemperature5;
    double visibility;
    double snowHeight;
    double uvIndex;
    double sunshineMinute;

    double value(int code) const {
        switch (code) {
        case AirTemperature:
            return airTemperature;
        case Humidity:
            return humidity;
        case Pressure:
            return pressure;
        case WindSpeed:
            return windSpeed;
        case WindDirection:
            return windDirection;
        case Precipitation:
            return rainPerMinute;
        case GlobalRadiation:
            return radiation;
        case DewPoint:
            return dewPoint;
        case SoilTemperature5:
            return soil5;
        case WindGust:
            return windGust;
        case Sunshine:
            return sunshineMinute;
        case SoilTemperature20:
            return soil20;
        case SoilTemperature50:
            return soil50;
        case SoilMoisture:
            return soilMoisture;
        case Evaporation:
            return evaporationPerMinute;
        case BatteryVoltage:
            return battery;
        case HousingTemperature:
            return housing;
        case AirTemperature5:
            return airTemperature5;
        case Visibility:
            return visibility;
        case SnowHeight:
            return snowHeight;
        case UvIndex:
            return uvIndex;
        default:
            return 0.0;
        }
    }
};

WeatherModel::WeatherModel(quint64 seedValue) : seed(mix(seedValue)) {}

double WeatherModel::hash01(quint64 a, quint64 b) const {
    const quint64 h = mix(seed ^ mix(a * 0x100000001B3ull + b));
    return static_cast<double>(h >> 11) / 9007199254740992.0;
}

double WeatherModel::jitter(qint64 utcSeconds, int key) const {
    return 2.0 * hash01(static_cast<quint64>(utcSeconds), static_cast<quint64>(key)) - 1.0;
}

// Smooth wandering in -1 … 1: three sines of unrelated periods with phases drawn from the seed.
double WeatherModel::slow(qint64 utcSeconds, int key, double periodDays) const {
    static const double periods[] = {1.0, 1.618, 0.587};
    static const double weights[] = {0.5, 0.3, 0.2};
    const double days = static_cast<double>(utcSeconds) / 86400.0;
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double phase = 2.0 * pi * hash01(static_cast<quint64>(key), static_cast<quint64>(1000 + i));
        sum += weights[i] * std::sin(2.0 * pi * days / (periodDays * periods[i]) + phase);
    }
    return sum;
}

WeatherModel::State WeatherModel::stateAt(qint64 utc, int utcOffset) const {
    State s{};
    const qint64 local = utc + utcOffset;
    const double localHour = static_cast<double>(((local % 86400) + 86400) % 86400) / 3600.0;
    const double utcHour = static_cast<double>(((utc % 86400) + 86400) % 86400) / 3600.0;
    const qint64 localDay = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    const double dayOfYear = QDate::fromJulianDay(2440588 + localDay).dayOfYear();

    // Sun
    const double declination = 23.44 * pi / 180.0 * std::sin(2.0 * pi * (284.0 + dayOfYear) / 365.0);
    const double hourAngle = (utcHour + longitudeHours - 12.0) * 15.0 * pi / 180.0;
    const double sinElevation = std::sin(latitude) * std::sin(declination) +
                                std::cos(latitude) * std::cos(declination) * std::cos(hourAngle);
    const double sunUp = std::max(0.0, sinElevation);
    const double night = clamp(-sinElevation * 6.0, 0.0, 1.0);

    // Showers: some hours carry one, more often in wet spells.
    const qint64 hourSlot = utc >= 0 ? utc / 3600 : (utc - 3599) / 3600;
    const double minute = static_cast<double>(utc - hourSlot * 3600) / 60.0;
    const double wetness = slow(utc, KeyWetness, 2.5);
    const auto slot = static_cast<quint64>(hourSlot);
    const bool showerHour = hash01(slot, KeyShower) < 0.05 + 0.08 * std::max(0.0, wetness);
    double rainRate = 0.0; // mm/h
    double wet = 0.0;
    if (showerHour) {
        const double start = 5.0 + 30.0 * hash01(slot, KeyShowerStart);
        const double length = 8.0 + (50.0 - start) * hash01(slot, KeyShowerLength);
        const double peak = 1.5 + 10.0 * hash01(slot, KeyShowerPeak);
        if (minute >= start && minute < start + length)
            rainRate = peak * std::sin(pi * (minute - start) / length);
        wet = 0.5 * (1.0 - std::cos(2.0 * pi * minute / 60.0));
    }
    s.rainPerMinute = rainRate / 60.0;

    // Clouds and radiation
    const double cloud = clamp(0.45 + 0.5 * slow(utc, KeyCloud, 1.3) + 0.4 * wet, 0.0, 1.0);
    const double clearSky = 1080.0 * std::pow(sunUp, 1.15);
    const double broken = 4.0 * cloud * (1.0 - cloud);
    s.radiation = std::max(0.0, clearSky * (1.0 - 0.72 * std::pow(cloud, 1.5)) *
                                    (1.0 + 0.25 * broken * jitter(utc / 20, KeyRadiation)));
    s.sunshineMinute = (s.radiation > 120.0 && cloud < 0.85) ? 1.0 : 0.0;
    s.uvIndex = 10.0 * std::pow(sunUp, 1.8) * (1.0 - 0.6 * cloud);

    // Air temperature: season, passing weather, and the day's cycle that clouds flatten.
    const double summer = 0.5 - 0.5 * std::cos(2.0 * pi * (dayOfYear - 15.0) / 365.25);
    const double season = seasonTemperature(dayOfYear);
    const double spell = 3.5 * slow(utc, KeyTemperature, 3.0);
    const double amplitude = 2.0 + 2.5 * summer + 3.0 * (1.0 - cloud);
    const double cycle = dailyCycle(localHour);
    s.airTemperature = season + spell + amplitude * cycle - 2.0 * wet + 0.08 * jitter(utc, KeyTemperature);

    s.humidity = clamp(74.0 - 18.0 * cycle + 8.0 * slow(utc, KeyHumidity, 2.0) + 22.0 * wet +
                           0.6 * jitter(utc, KeyHumidity),
                       18.0, 100.0);
    const double gamma =
        std::log(s.humidity / 100.0) + 17.62 * s.airTemperature / (243.12 + s.airTemperature);
    s.dewPoint = 243.12 * gamma / (17.62 - gamma);

    s.pressure = 1013.0 + 9.0 * slow(utc, KeyPressure, 4.0) - 2.0 * std::max(0.0, wetness) +
                 0.6 * std::sin(4.0 * pi * utcHour / 24.0 + 2.0) + 0.04 * jitter(utc, KeyPressure);

    // Wind: stronger by day and in showers, gusts on top.
    s.windSpeed = std::max(0.0, 2.4 + 1.6 * slow(utc, KeyWind, 1.5) + 1.0 * std::max(0.0, cycle) + 2.0 * wet +
                                    0.5 * jitter(utc, KeyWind));
    s.windGust = s.windSpeed * (1.35 + 0.15 * std::abs(jitter(utc, KeyGust))) + 0.8 + 1.5 * wet;
    const double direction = 240.0 + 80.0 * slow(utc, KeyDirection, 2.0) + 12.0 * jitter(utc, KeyDirection);
    s.windDirection = std::fmod(direction + 720.0, 360.0);

    // Soil: the deeper, the more damped and the later.
    s.soil5 = season + 0.8 * 3.5 * slow(utc - 3 * 3600, KeyTemperature, 3.0) +
              0.5 * amplitude * dailyCycle(localHour - 2.0) + 1.0 * summer + 0.03 * jitter(utc, KeySoil);
    s.soil20 = seasonTemperature(dayOfYear - 2.0) + 0.5 * 3.5 * slow(utc - 12 * 3600, KeyTemperature, 3.0) +
               0.18 * amplitude * dailyCycle(localHour - 5.0) + 0.8 * summer;
    s.soil50 =
        0.85 * seasonTemperature(dayOfYear - 12.0) + 1.8 + 0.03 * amplitude * dailyCycle(localHour - 10.0);
    s.soilMoisture = clamp(27.0 + 6.0 * slow(utc, KeySoilMoisture, 10.0) + 4.0 * std::max(0.0, wetness) +
                               0.05 * jitter(utc, KeySoilMoisture),
                           5.0, 50.0);

    s.evaporationPerMinute = s.radiation * 9.8e-6 * (1.0 + 0.08 * s.windSpeed) * (1.0 - s.humidity / 200.0);
    s.battery = 12.72 + 0.45 * std::min(1.0, s.radiation / 500.0) + 0.05 * slow(utc, KeyBattery, 5.0) +
                0.005 * jitter(utc, KeyBattery);
    s.housing = s.airTemperature + 1.5 + s.radiation / 110.0 + 0.05 * jitter(utc, KeyHousing);
    s.airTemperature5 =
        s.airTemperature + s.radiation / 320.0 - 1.4 * night * (1.0 - cloud) + 0.1 * jitter(utc, KeyGround);

    // Visibility: haze with humidity, fog near saturation, less in rain.
    double visibility = 35000.0 * (1.0 - 0.85 * std::pow(clamp((s.humidity - 50.0) / 50.0, 0.0, 1.0), 1.5));
    if (s.humidity >= 97.0)
        visibility = 200.0 + (100.0 - s.humidity) * 600.0;
    s.visibility = std::max(50.0, visibility / (1.0 + 0.6 * rainRate) + 50.0 * jitter(utc, KeyVisibility));

    s.snowHeight = season < 2.5 ? std::max(0.0, (2.5 - season) * 5.0 + 5.0 * slow(utc, KeySnow, 8.0)) : 0.0;
    return s;
}

QList<double> WeatherModel::instant(const QList<int> &codes, const QDateTime &time) const {
    const qint64 utc = time.toSecsSinceEpoch();
    const int offset = time.offsetFromUtc();
    const State now = stateAt(utc, offset);
    QList<State> lastMinutes;
    if (std::any_of(codes.begin(), codes.end(), isAmount)) {
        for (int k = 0; k < 10; ++k)
            lastMinutes.append(k == 0 ? now : stateAt(utc - 60 * k, offset));
    }
    QList<double> values;
    values.reserve(codes.size());
    for (const int code : codes) {
        if (!isAmount(code)) {
            values.append(now.value(code));
            continue;
        }
        double sum = 0.0;
        for (const State &s : lastMinutes)
            sum += s.value(code);
        values.append(sum);
    }
    return values;
}

QList<Statistics> WeatherModel::average(const QList<int> &codes, const QDateTime &time, int minutes) const {
    const qint64 utc = time.toSecsSinceEpoch();
    const int offset = time.offsetFromUtc();
    const int samples = std::max(1, minutes);
    QList<Statistics> result(codes.size(), Statistics{0.0, 0.0, 0.0});
    for (int k = 0; k < samples; ++k) {
        const State s = stateAt(utc - 60 * static_cast<qint64>(k), offset);
        for (qsizetype i = 0; i < codes.size(); ++i) {
            const double v = s.value(codes.at(i));
            Statistics &st = result[i];
            if (k == 0) {
                st = {v, v, v};
                continue;
            }
            st.mean += v;
            st.minimum = std::min(st.minimum, v);
            st.maximum = std::max(st.maximum, v);
        }
    }
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (!isAmount(codes.at(i)))
            result[i].mean /= samples;
    }
    return result;
}

} // namespace loggersim
