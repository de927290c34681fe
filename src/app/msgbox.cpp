#include "app/msgbox.h"

#include <QMessageBox>

namespace MsgBox {

namespace {

std::function<Answer(const Request &)> &responder() {
    static std::function<Answer(const Request &)> instance;
    return instance;
}

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void startError(QWidget *parent, const RunError &error) {
    show(parent, Icon::None, QStringLiteral("Fehler bei Programmstart"), error.described());
}

void setResponder(std::function<Answer(const Request &)> r) {
    responder() = std::move(r);
}

Answer show(QWidget *parent, Icon icon, const QString &title, const QString &text, Buttons buttons) {
    if (responder())
        return responder()(Request{icon, title, text, buttons});

    QMessageBox box(toQt(icon), title, text, QMessageBox::NoButton, parent);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Cancel;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return Ok;
    }
}

QMessageBox *notify(QWidget *parent, Icon icon, const QString &title, const QString &text) {
    if (responder())
        responder()(Request{icon, title, text, Buttons::Ok});
    auto *box = new QMessageBox(toQt(icon), title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

} // namespace MsgBox
