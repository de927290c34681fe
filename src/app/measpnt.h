#pragma once

#include "app/instancelock.h"
#include "app/mainwindow.h"

#include <QString>

#include <memory>
#include <optional>

// The start of the program.
namespace MeasPnt {

struct Running {
    // Held for the whole run: a second copy in the same program directory, with window or as a service,
    // finds it taken.
    std::unique_ptr<InstanceLock> instanceLock;
    std::unique_ptr<MainWindow> f;
};

// Refuses a second copy, loads and shows the main window and opens the port. Gives nothing when the program
// is to end at once (second copy, or the user chose Cancel after the port could not be opened).
std::optional<Running> Main(const QString &programDir);

} // namespace MeasPnt
