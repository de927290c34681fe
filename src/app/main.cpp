#include "app/measpnt.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[]) {
    // The embedded browser of the publisher's window shares the application's graphics context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skylog"));
    // A station PC without a configured language gets the German formats of a German station.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    // The standard buttons of the message boxes in the user's language ("Abbrechen", "Ja", "Nein").
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    auto running = MeasPnt::Main(QApplication::applicationDirPath());
    if (!running)
        return 0;
    return QApplication::exec();
}
