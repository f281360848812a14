#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kToolSize = 16;  // pixels; the tool strip is 25 pixels high

// The four cells of the program's mark, in a square of side size at origin.
void PaintMark(QPainter& p, QRectF square) {
    const QColor cells[] = {QColor(0xe7, 0x4c, 0x3c), QColor(0xf1, 0xc4, 0x0f),
                            QColor(0x2e, 0xcc, 0x71), QColor(0x34, 0x98, 0xdb)};
    const qreal cell = square.width() / 2;
    for (int i = 0; i < 4; ++i) {
        QRectF r(square.left() + (i % 2) * cell, square.top() + (i / 2) * cell, cell, cell);
        p.fillRect(r.adjusted(cell * 0.08, cell * 0.08, -cell * 0.08, -cell * 0.08), cells[i]);
    }
}

QPixmap AppPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2c, 0x3e, 0x50));
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    PaintMark(p, QRectF(size * 0.16, size * 0.16, size * 0.68, size * 0.68));
    return pixmap;
}

void Magnifier(QPainter& p, char sign) {
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QRectF(1.5, 1.5, 10, 10));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(20, 60, 160), 1.6));
    p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    if (sign == '+') p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
    if (sign == '=') {
        p.drawLine(QPointF(4, 4.5), QPointF(9, 4.5));
        p.drawLine(QPointF(4, 8.5), QPointF(9, 8.5));
    }
}

void Page(QPainter& p, QRectF r) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5) {
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void PaintTool(QPainter& p, TToolIcon which) {
    switch (which) {
        case TToolIcon::Open: {
            p.setPen(QPen(QColor(120, 90, 20), 1));
            p.setBrush(QColor(240, 200, 80));
            QPainterPath folder;
            folder.moveTo(1.5, 3.5);
            folder.lineTo(6, 3.5);
            folder.lineTo(7.5, 5);
            folder.lineTo(14.5, 5);
            folder.lineTo(14.5, 13.5);
            folder.lineTo(1.5, 13.5);
            folder.closeSubpath();
            p.drawPath(folder);
            break;
        }
        case TToolIcon::Save:
            p.setPen(QPen(QColor(20, 40, 90), 1));
            p.setBrush(QColor(50, 90, 180));
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4, 2, 8, 5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(4.5, 10, 7, 4));
            break;
        case TToolIcon::Paste:
            p.setPen(QPen(QColor(90, 60, 20), 1));
            p.setBrush(QColor(180, 130, 60));
            p.drawRect(QRectF(2.5, 2.5, 11, 12));
            Page(p, QRectF(5, 5, 8, 9));
            p.setBrush(QColor(120, 120, 120));
            p.drawRect(QRectF(5.5, 1.5, 5, 2.5));
            break;
        case TToolIcon::Copy:
            Page(p, QRectF(1.5, 1.5, 8, 10));
            Page(p, QRectF(6.5, 4.5, 8, 10));
            break;
        case TToolIcon::ZoomIn:
            Magnifier(p, '+');
            break;
        case TToolIcon::Actual:
            Magnifier(p, '=');
            break;
        case TToolIcon::ZoomOut:
            Magnifier(p, '-');
            break;
        case TToolIcon::Reduce:
            PaintMark(p, QRectF(1, 1, 14, 14));
            break;
        case TToolIcon::Cancel:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 40, 40));
            p.drawEllipse(QRectF(1, 1, 14, 14));
            p.setPen(QPen(Qt::white, 2));
            p.drawLine(QPointF(5, 5), QPointF(11, 11));
            p.drawLine(QPointF(11, 5), QPointF(5, 11));
            break;
    }
}

}  // namespace

QIcon ZinopIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppPixmap(size));
    return icon;
}

QIcon ToolIcon(TToolIcon which) {
    QPixmap pixmap(kToolSize, kToolSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    PaintTool(p, which);
    p.end();
    return QIcon(pixmap);
}
