#include "publish/ui/finfo.h"

#include "ui_finfo.h"

#include "publish/publisher.h"
#include "publish/ui/browserwindow.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace {

// The publisher's logo: a sun behind a cloud.
QPixmap logo() {
    QPixmap picture(70, 70);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 200, 40));
    painter.drawEllipse(QPointF(42, 26), 18, 18);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(22, 46), 12, 11);
    painter.drawEllipse(QPointF(36, 40), 14, 14);
    painter.drawEllipse(QPointF(50, 48), 11, 10);
    painter.drawRoundedRect(QRectF(12, 46, 48, 12), 6, 6);
    return picture;
}

} // namespace

FInfo::FInfo(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::FInfo>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    labInfo = {ui->labInfo0, ui->labInfo1, ui->labInfo2, ui->labInfo3, ui->labInfo4, ui->labInfo5};
    Image1 = ui->Image1;
    Image1->setPixmap(logo());
    labInfo[0]->setText(Publisher::name);
    labInfo[1]->setText(Publisher::street);
    labInfo[2]->setText(Publisher::town);
    labInfo[3]->setText(QStringLiteral("Skylog           V1.9"));
    labInfo[4]->setText(Publisher::mailAddress);
    labInfo[5]->setText(Publisher::webAddress);
    for (QLabel *label : labInfo)
        label->installEventFilter(this);
}

FInfo::~FInfo() = default;

int FInfo::gradientBlue(int i, int h) {
    return int(std::lround(std::abs(i - h) / double(h) * 253));
}

void FInfo::paintEvent(QPaintEvent *) {
    // One line per pixel row, from blue at the top to black at the bottom. A window without height (a
    // minimised one) draws nothing.
    const int h = height();
    const int w = width();
    if (h <= 0)
        return;
    QPainter painter(this);
    for (int i = 0; i <= h; ++i) {
        painter.setPen(QColor(0, 0, gradientBlue(i, h)));
        painter.drawLine(0, i, w, i);
    }
}

bool FInfo::eventFilter(QObject *watched, QEvent *event) {
    if (watched == labInfo[5] && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        BrowserWindow::show(this);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
