#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>

class MainWindow;
class QWidget;

// The menu "Daten" of the main window: the history plot, the CSV export, the error log and the program
// directory. Each window opens once; choosing it again brings it to the front.
class DataMenu : public QObject {
    Q_OBJECT

public:
    // Adds the menu before the help menu; it lives as long as the window.
    static void add(MainWindow &f, const QString &programDir, std::function<QDateTime()> clock);

private:
    DataMenu(MainWindow &f, const QString &programDir, std::function<QDateTime()> clock);

    MainWindow &f;
    QString programDir;
    std::function<QDateTime()> now;
    QPointer<QWidget> fVerlauf;
    QPointer<QWidget> fcExport;
    QPointer<QWidget> fLog;
};
