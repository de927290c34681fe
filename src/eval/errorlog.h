#pragma once

#include <QString>
#include <QStringList>

// The lines of the error log in the program directory, newest first; none when there is no log yet.
QStringList readErrorLog(const QString &programDir);
