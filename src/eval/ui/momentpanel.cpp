#include "eval/ui/momentpanel.h"

#include "eval/paneltext.h"
#include "store/database.h"

#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr int lastChannel = 60;

QColor colourOf(quint32 colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace

MomentPanel::MomentPanel(QWidget *picRahmen_, QWidget *frmMom_, QScrollBar *VScroll_, Labels &labMK_,
                         Labels &labMW_)
    : picRahmen(picRahmen_), frmMom(frmMom_), VScroll(VScroll_), labMK(labMK_), labMW(labMW_) {
    labMK[0]->hide();
    labMW[0]->hide();
    QWidget *frame = frmMom;
    // Both a click and a drag of the scroll bar end up here: the rows move in steps of 60 twips.
    QObject::connect(VScroll, &QScrollBar::valueChanged, frame, [frame](int value) {
        frame->move(frame->x(), -Panel::pixels(value * Panel::scrollStep));
    });
    // A wheel turned over a row reaches the viewport, as neither the labels nor the frame take it.
    picRahmen->installEventFilter(this);
}

bool MomentPanel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == picRahmen && event->type() == QEvent::Wheel) {
        QCoreApplication::sendEvent(VScroll, event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void MomentPanel::removeRows() {
    for (int channel = 1; channel <= lastChannel; ++channel) {
        delete labMK[channel];
        labMK[channel] = nullptr;
        delete labMW[channel];
        labMW[channel] = nullptr;
    }
}

QLabel *MomentPanel::createRow(QLabel *templateLabel, int channel, int topTwips) {
    auto *label = new QLabel(frmMom);
    label->setObjectName(templateLabel->objectName());
    label->setFont(templateLabel->font());
    label->setPalette(templateLabel->palette());
    label->setAutoFillBackground(templateLabel->autoFillBackground());
    label->setStyleSheet(templateLabel->styleSheet());
    label->setFrameStyle(templateLabel->frameStyle());
    label->setAlignment(templateLabel->alignment());
    label->setTextFormat(templateLabel->textFormat());
    label->setWordWrap(templateLabel->wordWrap());
    label->setIndent(templateLabel->indent());
    label->setMargin(templateLabel->margin());
    label->setGeometry(templateLabel->x(), Panel::pixels(topTwips), templateLabel->width(),
                       templateLabel->height());
    label->setToolTip(QStringLiteral("Kanal %1").arg(channel));
    return label;
}

void MomentPanel::showValue(QLabel *label, const ChannelSlot &slot) {
    const Panel::ValueText shown = Panel::valueText(slot.value, slot.unit);
    label->setText(shown.text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colourOf(shown.colour));
    label->setPalette(palette);
}

std::optional<RunError> MomentPanel::InitMoment(const QSqlDatabase &db, const ChannelSlots &channelSlots) {
    removeRows();

    // The first catalogue row of a sensor code names it.
    QHash<qint64, QVariant> descriptions;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT Sensor, Beschreibung FROM tblSensorcodes ORDER BY rowid")))
        return Store::fromSqlError(query.lastError());
    while (query.next()) {
        if (!query.value(0).isNull() && !descriptions.contains(query.value(0).toLongLong()))
            descriptions.insert(query.value(0).toLongLong(), query.value(1));
    }
    if (query.lastError().isValid())
        return Store::fromSqlError(query.lastError());
    query.finish();

    // The telegrams carry channels 1 ... 60, so no other slot is ever shown.
    int row = 0;
    for (int channel = 1; channel <= lastChannel; ++channel) {
        const ChannelSlot &slot = channelSlots[channel];
        if (!slot.shown)
            continue;
        const auto found = descriptions.constFind(slot.sensorCode);
        if (found != descriptions.cend() && found->isNull())
            return RunError::invalidUseOfNull();
        const QString name = found != descriptions.cend() ? found->toString() : slot.Beschreibung;

        labMK[channel] = createRow(labMK[0], channel, row * Panel::rowPitch + Panel::nameTop);
        labMK[channel]->setText(name);
        labMK[channel]->show();
        labMW[channel] = createRow(labMW[0], channel, row * Panel::rowPitch + Panel::valueTop);
        showValue(labMW[channel], slot);
        labMW[channel]->show();
        ++row;
    }

    frmMom->resize(frmMom->width(), Panel::pixels(row * Panel::rowPitch));
    VScroll->setValue(0);
    frmMom->move(frmMom->x(), 0);
    const int viewport = picRahmen->contentsRect().height() * Panel::twipsPerPixel;
    maximum = Panel::scrollMaximum(row, viewport);
    // A negative maximum would move the minimum below 0 as well; out of use the bar simply stands still.
    VScroll->setRange(0, std::max(maximum, 0));
    VScroll->setPageStep(std::max(viewport / Panel::scrollStep, 1));
    VScroll->setEnabled(maximum >= 1);
    panelReady = true;
    return std::nullopt;
}

void MomentPanel::update(const ChannelSlots &channelSlots) {
    if (!panelReady)
        return;
    for (int channel = 1; channel <= lastChannel; ++channel) {
        const ChannelSlot &slot = channelSlots[channel];
        if (slot.shown && labMW[channel])
            showValue(labMW[channel], slot);
    }
}
