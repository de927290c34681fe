#include "app/fprog.h"

#include "app/msgbox.h"
#include "app/pictures.h"
#include "ui_fprog.h"

#include <QCloseEvent>

FProg::FProg(QProgressBar *mainProgressBar, QWidget *parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::FProg>()), mainProgress(mainProgressBar) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    for (int i = 0; i < 8; ++i)
        aniImg[i] = Pictures::animationFrame(i);
    setWindowIcon(QIcon(aniImg[0]));
    animation.setInterval(150);
    connect(&animation, &QTimer::timeout, this, &FProg::tick);
    animation.start();
}

FProg::~FProg() = default;

QProgressBar *FProg::prbMittel() const {
    return ui->prbMittel;
}

void FProg::setReadDate(const QString &text) {
    ui->labReadDate->setText(text);
}

void FProg::unload() {
    closedByCode = true;
    close();
}

void FProg::tick() {
    frame = (frame + 1) % 8;
    setWindowIcon(QIcon(aniImg[frame]));
}

void FProg::closeEvent(QCloseEvent *event) {
    if (!closedByCode) {
        const auto answer = MsgBox::show(this, MsgBox::Icon::Question, QStringLiteral("Benutzerabbruch"),
                                         QStringLiteral("Soll die Mittelwertabfrage beendet werden?"),
                                         MsgBox::Buttons::YesNo);
        if (answer == MsgBox::Yes)
            emit abortRequested();
        else
            mainProgress->setVisible(true);
    }
    animation.stop();
    event->accept();
}
