#include "publish/ui/browserwindow.h"

#include "app/msgbox.h"
#include "publish/publisher.h"

#include <QApplication>
#include <QDir>
#include <QPluginLoader>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>

#include <unistd.h>

namespace BrowserWindow {

namespace {

const QString cannotOpen = QStringLiteral("Das Browserfenster kann nicht geöffnet werden.\n");

QString &programPath() {
    static QString path;
    return path;
}

QPointer<QProcess> &browserProcess() {
    static QPointer<QProcess> process;
    return process;
}

} // namespace

void setProgram(const QString &path) {
    programPath() = path;
}

void show(QWidget *parent) {
    if (QProcess *running = browserProcess()) {
        running->write("\n");
        return;
    }
    auto *process = new QProcess(qApp);
    browserProcess() = process;
    process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    const QPointer<QWidget> owner(parent);
    const auto failed = [process, owner](const QString &reason) {
        MsgBox::notify(owner, MsgBox::Icon::Exclamation, Publisher::webAddress, cannotOpen + reason);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             failed(process->errorString());
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int status, QProcess::ExitStatus exit) {
                         // The browser's reason is its last line; the lines before are the libraries' own.
                         const QStringList lines = QString::fromLocal8Bit(process->readAllStandardError())
                                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                         const QString reason = lines.isEmpty() ? process->errorString() : lines.last();
                         // A browser ended from outside (a shutdown, a signal) has nothing to report.
                         if (exit == QProcess::NormalExit && status != 0)
                             failed(reason);
                         else
                             process->deleteLater();
                     });
    // The window closes with the station program: the browser ends when its input does.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, process, [process] {
        process->closeWriteChannel();
        if (!process->waitForFinished(5000))
            process->kill();
    });
    process->start(programPath().isEmpty() ? QCoreApplication::applicationFilePath() : programPath(),
                   {QString::fromLatin1(option)});
}

QWidget *open(const QString &pluginDir, QString *error) {
    // The plugin stays loaded once loaded: the engine cannot be unloaded from a running process.
    const QString path = QDir(pluginDir).filePath(QStringLiteral(SKYLOG_BROWSER_PLUGIN));
    QPluginLoader loader(path);
    auto *factory = qobject_cast<BrowserFactory *>(loader.instance());
    if (!factory) {
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + loader.errorString();
        return nullptr;
    }
    return factory->createBrowser(QUrl(Publisher::webSite));
}

int run(const QString &pluginDir) {
    QString error;
    const QPointer<QWidget> window = open(pluginDir, &error);
    if (!window) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    window->show();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&window, &input] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QApplication::quit();
        } else if (window) {
            window->showNormal();
            window->raise();
            window->activateWindow();
        }
    });
    return QApplication::exec();
}

} // namespace BrowserWindow
