#pragma once

#include <QString>

// Skylog without a window, as a system service: the same acquisition, database and files. Nothing is ever
// shown: every message goes to the error log, the status file or standard output (the service's journal).
namespace Service {

// Runs until SIGTERM, SIGINT or SIGHUP and gives the exit status: 0 after such a stop, 3 when the service
// cannot start (the reason is on standard error).
int run(const QString &programDir);

} // namespace Service
