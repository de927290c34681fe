#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The configurations of one data logger as the station dialog edits them: a description and a station text
// per configuration number. An empty station text marks a number without a configuration; such numbers are
// skipped when the list is saved.
class ConfigList {
public:
    // The description a new configuration starts with.
    static const QString newName;

    // Takes one stored configuration (or one the user added); numbers below 1 are not configuration numbers
    // and are ignored. Returns whether the number was taken.
    bool take(qint32 number, const QString &name, const QString &station);
    // Adds the configuration HighestConfigNr + 1 with the description "---" and the given station text and
    // gives its number; nothing when the numbers are used up.
    std::optional<qint32> addNew(const QString &station);

    QString name(qint32 number) const { return ConfigNames.value(number); }
    QString station(qint32 number) const { return ConfigStations.value(number); }
    void setName(qint32 number, const QString &name);
    void setStation(qint32 number, const QString &station);

    qint32 highest() const { return HighestConfigNr; }
    // The numbers in the order they were taken or added, as the list of configurations shows them.
    const QList<qint32> &entries() const { return order; }
    // The numbers that have a configuration, ascending.
    QList<qint32> configured() const;

private:
    void grow(qint32 number);

    // Numbers without an entry read as empty texts, as if both lists covered 1 to HighestConfigNr.
    QMap<qint32, QString> ConfigNames;
    QMap<qint32, QString> ConfigStations;
    qint32 HighestConfigNr = 0;
    QList<qint32> order;
};

// The station numbers a logger answers to: "01" to "30", as the station list offers them.
namespace StationNumber {

QStringList entries();
// The position of a station text in entries(): "7" and "07" both give 6. Nothing for a text that is no
// whole number from 1 to 30.
std::optional<int> index(const QString &station);

} // namespace StationNumber

// A configuration number as the list shows it (plain decimal, 1 or more); nothing for anything else.
std::optional<qint32> configNumber(const QString &text);

// What the station dialog is about to make current.
struct StationChoice {
    bool loggerSelected = false;
    QString loggerText;
    // How many configurations the list of the chosen logger offers.
    int configCount = 0;
    // The selected entry of that list (empty when none is selected) and its station text.
    QString configText;
    QString station;
};

// Why a choice cannot be made current, as a German message for the user; nothing when it can.
std::optional<QString> choiceProblem(const StationChoice &choice);
