#include "publish/ui/browser/fbrowser.h"

#include "publish/publisher.h"

#include <QResizeEvent>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The browser control is smaller than the window's inner area by this much in each direction.
constexpr int marginTwips = 120;

} // namespace

FBrowser::FBrowser(const QUrl &site, QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setObjectName(QStringLiteral("fBrowser"));
    setWindowTitle(Publisher::webAddress);
#ifdef Q_OS_UNIX
    // The engine's sandbox refuses to run for root, and the engine's start would end the program. Run as
    // root, the pages are shown without the sandbox.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    WebBrowser = new QWebEngineView(this);
    WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
    const int margin = twips(marginTwips);
    WebBrowser->setGeometry(margin / 2, margin / 2, 640, 480);
    resize(640 + margin, 480 + margin);
    WebBrowser->setUrl(site);
}

QWidget *BrowserPlugin::createBrowser(const QUrl &site) {
    return new FBrowser(site);
}

int FBrowser::twips(int value) const {
    return int(std::lround(value * logicalDpiY() / 1440.0));
}

void FBrowser::resizeEvent(QResizeEvent *event) {
    const int margin = twips(marginTwips);
    // Below the margin the control keeps its size in that direction.
    if (height() >= margin)
        WebBrowser->resize(WebBrowser->width(), height() - margin);
    if (width() >= margin)
        WebBrowser->resize(width() - margin, WebBrowser->height());
    QWidget::resizeEvent(event);
}
