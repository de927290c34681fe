#include "app/commandline.h"
#include "app/measpnt.h"
#include "app/stopsignals.h"
#include "publish/ui/browserwindow.h"
#include "store/database.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[]) {
    // Tasks for scripts run without a window, before anything asks for a display.
    if (const auto status = CommandLine::runWithoutWindow(argc, argv))
        return *status;

    // The browser window runs as a process of its own; its web engine shares the application's graphics
    // context.
    const bool browser = argc > 1 && qstrcmp(argv[1], BrowserWindow::option) == 0;
    if (browser)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skylog"));
    CommandLine::useGermanFormatsWhenUnset();

    // The standard buttons of the message boxes in the user's language ("Abbrechen", "Ja", "Nein").
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    if (browser)
        return BrowserWindow::run(QApplication::applicationDirPath());

    auto running = MeasPnt::Main(QApplication::applicationDirPath());
    if (!running)
        return 0;
    // A service manager's stop, Ctrl+C or a closed terminal end Skylog like the close box.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::requested, running->f.get(), &QWidget::close);
    const int status = QApplication::exec();
    running->f.reset();
    Store::closeMainDb();
    return status;
}
