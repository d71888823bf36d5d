#include "orderlist/listpictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vorna::listpictures {

namespace {

QPixmap blank(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

}  // namespace

QPixmap toGenerate() {
    QPixmap p = blank(16, 16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0x9A, 0x5B, 0x00), 1.2));
    g.setBrush(QColor(0xFF, 0xC1, 0x3B));
    g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    g.setPen(QPen(QColor(0x4A, 0x2C, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(8, 8), QPointF(8, 4));
    g.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    return p;
}

QPixmap urgent() {
    QPixmap p = blank(16, 16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0x8B, 0x00, 0x00), 1.2));
    g.setBrush(QColor(0xE0, 0x1B, 0x1B));
    g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    g.setPen(Qt::NoPen);
    g.setBrush(Qt::white);
    g.drawRoundedRect(QRectF(7, 3.5, 2, 6.5), 1, 1);
    g.drawEllipse(QRectF(7, 11, 2, 2));
    return p;
}

QPixmap emptyList() {
    QPixmap p = blank(256, 192);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);

    // Backdrop.
    QLinearGradient sky(0, 0, 0, 192);
    sky.setColorAt(0, QColor(0xE8, 0xF0, 0xFA));
    sky.setColorAt(1, QColor(0xC9, 0xD9, 0xEE));
    g.setPen(QPen(QColor(0x9F, 0xB6, 0xD3), 1));
    g.setBrush(sky);
    g.drawRoundedRect(QRectF(0.5, 0.5, 255, 191), 14, 14);

    // Two sheets: the order and the one behind it.
    g.setBrush(QColor(0xF4, 0xF4, 0xF4));
    g.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    g.drawRect(QRectF(40.5, 34.5, 92, 122));
    g.setBrush(Qt::white);
    g.drawRect(QRectF(32.5, 26.5, 92, 122));
    g.setPen(QPen(QColor(0xB8, 0xC4, 0xD4), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 6; ++i) g.drawLine(QPointF(44, 46 + 16 * i), QPointF(i % 2 ? 96 : 112, 46 + 16 * i));

    // The transfer: an arrow leaving the sheet towards a coin.
    QPainterPath arrow;
    arrow.moveTo(104, 112);
    arrow.cubicTo(140, 136, 170, 128, 190, 96);
    g.setPen(QPen(QColor(0x1F, 0x5F, 0xAF), 7, Qt::SolidLine, Qt::RoundCap));
    g.setBrush(Qt::NoBrush);
    g.drawPath(arrow);
    QPainterPath head;
    head.moveTo(202, 78);
    head.lineTo(198, 108);
    head.lineTo(176, 92);
    head.closeSubpath();
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(0x1F, 0x5F, 0xAF));
    g.drawPath(head);

    g.setBrush(QColor(0xF2, 0xC0, 0x3A));
    g.setPen(QPen(QColor(0xA8, 0x7C, 0x10), 2));
    g.drawEllipse(QRectF(186, 22, 50, 50));
    QFont f = g.font();
    f.setPixelSize(30);
    f.setBold(true);
    g.setFont(f);
    g.setPen(QColor(0x7A, 0x55, 0x00));
    g.drawText(QRectF(186, 22, 50, 50), Qt::AlignCenter, QString(QChar(0x20AC)));
    return p;
}

}  // namespace vorna::listpictures
