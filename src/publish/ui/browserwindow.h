#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

class QWidget;

// The browser window lives in a plugin of its own ("skylogbrowser" beside the executable), the only part of
// the program that links the web engine. The engine takes about 18 MB of resident memory as soon as it is
// mapped, and the window is rarely opened; so it is loaded the first time the window opens.
class BrowserFactory {
public:
    virtual ~BrowserFactory() = default;
    // A new browser window on `site` that deletes itself when closed.
    virtual QWidget *createBrowser(const QUrl &site) = 0;
};

#define BrowserFactory_iid "skylog.BrowserFactory/1"
Q_DECLARE_INTERFACE(BrowserFactory, BrowserFactory_iid)

namespace BrowserWindow {

// Shows the one browser window on the publisher's web site, loading the plugin on first use. When the
// plugin cannot be loaded, a message box says why and nothing else happens.
void show(QWidget *parent);

// The folder of the plugin: the program directory unless a test builds it elsewhere.
void setPluginDir(const QString &dir);

} // namespace BrowserWindow
