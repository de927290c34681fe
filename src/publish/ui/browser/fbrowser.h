#pragma once

#include "publish/ui/browserwindow.h"

#include <QObject>
#include <QUrl>
#include <QWidget>

class QWebEngineView;

// The browser window on the publisher's web site.
class FBrowser : public QWidget {
    Q_OBJECT

public:
    explicit FBrowser(const QUrl &site, QWidget *parent = nullptr);

    QWebEngineView *WebBrowser;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int twips(int value) const;
};

// The plugin's entry: makes browser windows for the program.
class BrowserPlugin : public QObject, public BrowserFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrowserFactory_iid)
    Q_INTERFACES(BrowserFactory)

public:
    QWidget *createBrowser(const QUrl &site) override;
};
