#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

// The browser window on the publisher's web site.
class FBrowser : public QWidget {
    Q_OBJECT

public:
    explicit FBrowser(const QUrl &site, QWidget *parent = nullptr);

    // The one browser window of the program, created on the publisher's web site when there is none.
    static FBrowser *instance();

    QWebEngineView *WebBrowser;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int twips(int value) const;
};
