#include "publish/ui/filechoice.h"

#include <QFileDialog>

namespace FileChoice {

namespace {

std::function<QString(const Request &)> &responder() {
    static std::function<QString(const Request &)> instance;
    return instance;
}

} // namespace

void setResponder(std::function<QString(const Request &)> r) {
    responder() = std::move(r);
}

QString saveFile(QWidget *parent, const Request &request) {
    if (responder())
        return responder()(request);
    return QFileDialog::getSaveFileName(parent, request.title, request.proposedFile,
                                        request.filters.join(QStringLiteral(";;")));
}

} // namespace FileChoice
