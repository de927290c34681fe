#include "publish/ui/filechoice.h"

#include <QFileDialog>
#include <QFileIconProvider>

namespace FileChoice {

namespace {

std::function<QString(const Request &)> &responder() {
    static std::function<QString(const Request &)> instance;
    return instance;
}

// Icons and type names from the name alone. The standard provider reads the first bytes of every file it
// lists to tell its type; opening and closing the database that way would drop the locks SQLite holds on it.
class NameOnlyIcons : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo &info) const override {
        if (info.isDir())
            return QStringLiteral("Ordner");
        return info.suffix().isEmpty() ? QStringLiteral("Datei") : info.suffix() + QStringLiteral("-Datei");
    }
};

} // namespace

void setResponder(std::function<QString(const Request &)> r) {
    responder() = std::move(r);
}

QString saveFile(QWidget *parent, const Request &request) {
    if (responder())
        return responder()(request);
    NameOnlyIcons icons;
    const QFileInfo proposed(request.proposedFile);
    QFileDialog dialog(parent, request.title, proposed.absolutePath(),
                       request.filters.join(QStringLiteral(";;")));
    // Qt's own dialog: only it takes the icon provider; the desktop's dialog would read the files itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace FileChoice
