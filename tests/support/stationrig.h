#pragma once

#include "app/mainwindow.h"
#include "programdir.h"
#include "pty.h"
#include "simulator.h"

// A station for end-to-end tests: a program directory, the logger simulator (or a device the test plays
// itself) on "COM 1" and a loaded main window connected to it, its clock fixed at `skylogNow`. Polling
// timers stay off: tests drive the requests.
class StationRig : public QObject {
public:
    static const QDateTime loggerStart;
    static const QDateTime skylogNow;

    // `settings` is added to the UPDATE of tblSysConf (for example "SaveMom = 1").
    bool start(const QStringList &simulatorArguments, const QString &settings = QString());
    // The same with `device` on the line instead of the simulator.
    bool startWithDevice(const QString &settings = QString());
    ~StationRig() override;
    // Sends an "A" request and waits until its answer has been evaluated.
    bool poll();
    // Starts a fetch of the stored averages and waits until it has ended.
    bool fetch();
    // Starts the program on the directory and line, closing the main window first if it is open.
    bool load();

    std::unique_ptr<ProgramDir> dir;
    std::unique_ptr<MessageBoxes> boxes;
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<PseudoTerminal> device;
    std::unique_ptr<MainWindow> f;
    // Every text the status line showed.
    QStringList statusTexts;

private:
    void prepare(const QString &settings);
};
