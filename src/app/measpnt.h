#pragma once

#include "app/mainwindow.h"

#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

// The start of the program.
namespace MeasPnt {

struct Running {
    // Held for the whole run: a second copy in the same program directory finds it taken. A lock left by a
    // killed process is recognised by its dead process id and taken over.
    std::unique_ptr<QLockFile> instanceLock;
    std::unique_ptr<MainWindow> f;
};

// Refuses a second copy, loads and shows the main window and opens the port. Gives nothing when the program
// is to end at once (second copy, or the user chose Cancel after the port could not be opened).
std::optional<Running> Main(const QString &programDir);

} // namespace MeasPnt
