#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

class QWidget;

// The browser window lives in a plugin of its own ("skylogbrowser" beside the executable), the only part of
// the program that links the web engine, and it runs in a process of its own ("skylog --browser"). The engine
// takes about 18 MB of resident memory as soon as it is mapped, and it needs an OpenGL context shared by the
// whole application, made when the application starts; on a PC whose OpenGL is the software renderer that
// context alone maps about 60 MB. The window is rarely opened, so the station program itself never pays for
// either.
class BrowserFactory {
public:
    virtual ~BrowserFactory() = default;
    // A new browser window on `site` that deletes itself when closed.
    virtual QWidget *createBrowser(const QUrl &site) = 0;
};

#define BrowserFactory_iid "skylog.BrowserFactory/1"
Q_DECLARE_INTERFACE(BrowserFactory, BrowserFactory_iid)

namespace BrowserWindow {

// The first argument that makes the program the browser window alone.
inline constexpr char option[] = "--browser";

// Shows the one browser window on the publisher's web site: starts the browser process, or brings its window
// to the front when it runs. When the window cannot be opened, a message box says why.
void show(QWidget *parent);

// The program started as the browser: this program unless a test names another build of it.
void setProgram(const QString &path);

// In the browser process: the window from the plugin in pluginDir; nullptr and the reason in *error when the
// plugin cannot be loaded.
QWidget *open(const QString &pluginDir, QString *error);

// The browser process's work: opens the window, brings it to the front at every line on standard input, and
// ends when the window is closed or standard input ends (the station program ended). Gives the exit status.
int run(const QString &pluginDir);

} // namespace BrowserWindow
