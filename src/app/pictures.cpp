#include "app/pictures.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>

namespace Pictures {

namespace {

QColor lampColour(qint32 farbe) {
    switch (farbe) {
    case 255:
        return QColor(220, 30, 30);
    case 65280:
        return QColor(30, 190, 40);
    case 65535:
        return QColor(240, 210, 0);
    default:
        return QColor(25, 25, 25);
    }
}

QPixmap lamp(const QColor &colour, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(size * 0.35, size * 0.35, size * 0.7);
    gradient.setColorAt(0, colour.lighter(170));
    gradient.setColorAt(1, colour.darker(130));
    painter.setBrush(gradient);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pixmap;
}

} // namespace

QPixmap indicator(qint32 farbe) {
    return lamp(lampColour(farbe), 21);
}

QIcon stateIcon(qint32 farbe) {
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(lamp(lampColour(farbe), size));
    return icon;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // A sky-blue disc with a white cloud and a sun: weather station.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(70, 140, 220));
        painter.drawEllipse(QRectF(0, 0, size, size));
        painter.setBrush(QColor(250, 200, 40));
        painter.drawEllipse(QRectF(size * 0.45, size * 0.15, size * 0.35, size * 0.35));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(size * 0.15, size * 0.45, size * 0.35, size * 0.3));
        painter.drawEllipse(QRectF(size * 0.35, size * 0.38, size * 0.38, size * 0.37));
        painter.drawRect(QRectF(size * 0.3, size * 0.58, size * 0.4, size * 0.17));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap animationFrame(int frame) {
    const int size = 32;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);
    // Eight dots on a circle; the bright one walks one step per frame.
    for (int i = 0; i < 8; ++i) {
        const double angle = i * M_PI / 4;
        const int age = (frame - i + 8) % 8;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 110, 200, 255 - age * 28));
        painter.drawEllipse(QPointF(11 * std::sin(angle), -11 * std::cos(angle)), 3.5, 3.5);
    }
    return pixmap;
}

} // namespace Pictures
