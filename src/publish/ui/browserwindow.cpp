#include "publish/ui/browserwindow.h"

#include "app/msgbox.h"
#include "publish/publisher.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QPointer>
#include <QWidget>

namespace BrowserWindow {

namespace {

QString &pluginDir() {
    static QString dir;
    return dir;
}

} // namespace

void setPluginDir(const QString &dir) {
    pluginDir() = dir;
}

void show(QWidget *parent) {
    static QPointer<QWidget> browser;
    if (!browser) {
        const QString dir = pluginDir().isEmpty() ? QCoreApplication::applicationDirPath() : pluginDir();
        // The plugin stays loaded once loaded: the engine cannot be unloaded from a running process.
        QPluginLoader loader(QDir(dir).filePath(QStringLiteral(SKYLOG_BROWSER_PLUGIN)));
        auto *factory = qobject_cast<BrowserFactory *>(loader.instance());
        if (!factory) {
            MsgBox::show(parent, MsgBox::Icon::Exclamation, Publisher::webAddress,
                         QStringLiteral("Das Browserfenster kann nicht geöffnet werden.\n") +
                             loader.errorString());
            return;
        }
        browser = factory->createBrowser(QUrl(Publisher::webSite));
    }
    browser->show();
    browser->raise();
}

} // namespace BrowserWindow
