#pragma once

#include "config/configlist.h"
#include "store/runerror.h"

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The data loggers and their station configurations (tblProvider, tblConfiguration) as the station dialog
// reads and stores them.
namespace StationStore {

struct Logger {
    qint32 Id = 0;
    QString Name;
    QString Hersteller;
};

// How a logger is listed and shown in the main window: Name, "  /  ", Hersteller.
QString loggerText(const Logger &logger);

// Every logger, in table order.
QList<Logger> readLoggers(const QSqlDatabase &db, std::optional<RunError> *error);

// The configurations of one logger in the order the database returns them. A row whose KonfigNr is no
// number of 1 or more is left out and reported through error.
ConfigList readConfigurations(const QSqlDatabase &db, qint32 provider, std::optional<RunError> *error);

// Makes a choice of logger and configuration permanent: the lists of every logger shown (by Id) and the
// choice in the settings row, which is only edited when it exists. Either everything is stored or nothing
// changes.
std::optional<RunError> saveChoice(const QSqlDatabase &db, const QMap<qint32, ConfigList> &lists,
                                   qint32 provider, qint32 konfiguration);

} // namespace StationStore
