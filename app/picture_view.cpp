#include "app/picture_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace {

QRgb ToRgb(ColorValue c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

}  // namespace

QImage ViewImage(const TPictureRecord& record) {
    const int width = record.Width;
    const int height = record.Height;
    if (width <= 0 || height <= 0) return {};
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    QImage image;
    if (record.Kind == pkFullColour) {
        if (record.Pixels.size() < pixels * sizeof(ColorValue)) return {};
        image = QImage(width, height, QImage::Format_RGB32);
        if (image.isNull()) return {};
        const ColorValue* source = record.ColorPixels();
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            const ColorValue* from = source + static_cast<size_t>(y) * width;
            for (int x = 0; x < width; ++x) row[x] = ToRgb(from[x]);
        }
    } else if (record.Kind == pkIndexed) {
        if (record.Pixels.size() < pixels || record.Colors < 1 || record.Colors > 256 ||
            record.Palette.size() < static_cast<size_t>(record.Colors) * 4) {
            return {};
        }
        QRgb table[256];
        for (int i = 0; i < 256; ++i) {
            table[i] = i < record.Colors ? ToRgb(record.PaletteEntry(i)) : qRgb(0, 0, 0);
        }
        image = QImage(width, height, QImage::Format_RGB32);
        if (image.isNull()) return {};
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            const uint8_t* from = record.Pixels.data() + static_cast<size_t>(y) * width;
            for (int x = 0; x < width; ++x) row[x] = table[from[x]];
        }
    }
    return image;
}

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
    setObjectName("ImagePic");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // the status bar follows the pointer without a button
}

void TPictureView::mouseMoveEvent(QMouseEvent* event) {
    if (OnPointer) OnPointer(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void TPictureView::leaveEvent(QEvent* event) {
    if (OnPointer) OnPointer(QPoint(-1, -1));
    QWidget::leaveEvent(event);
}

void TPictureView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (!(event->modifiers() & Qt::ControlModifier) || steps == 0 || !OnZoomWheel) {
        event->ignore();  // the picture box scrolls
        return;
    }
    OnZoomWheel(steps > 0);
    event->accept();
}

void TPictureView::ShowPicture(const TPictureRecord& record) { ShowImage(ViewImage(record)); }

void TPictureView::ShowImage(QImage image) {
    Picture = std::move(image);
    resize(Picture.size());
    update();
}

void TPictureView::paintEvent(QPaintEvent* event) {
    if (Picture.isNull() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect exposed = event->rect() & rect();
    if (size() == Picture.size()) {
        painter.drawImage(exposed, Picture, exposed);
        return;
    }
    // Draw only the source pixels that cover the exposed part, scaled.
    const double sx = static_cast<double>(Picture.width()) / width();
    const double sy = static_cast<double>(Picture.height()) / height();
    const int left = static_cast<int>(std::floor(exposed.left() * sx));
    const int top = static_cast<int>(std::floor(exposed.top() * sy));
    const int right =
        std::min(Picture.width(), static_cast<int>(std::ceil((exposed.right() + 1) * sx)));
    const int bottom =
        std::min(Picture.height(), static_cast<int>(std::ceil((exposed.bottom() + 1) * sy)));
    const QRect source(left, top, std::max(1, right - left), std::max(1, bottom - top));
    const QRectF target(source.left() / sx, source.top() / sy, source.width() / sx,
                        source.height() / sy);
    painter.drawImage(target, Picture, source);
}
