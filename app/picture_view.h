#pragma once
// ImagePic: the picture view of a document window. It keeps one image of the
// picture at its natural size and draws it stretched to its own size:
// enlarging repeats pixels (never smoothed, so single pixels can be
// inspected). Only the exposed part is drawn, so a large picture scrolls
// without redrawing all of it.

#include <QImage>
#include <QWidget>
#include <functional>

#include "formats/picture.h"

// The picture as SaveBmp would write it: full colour as is, an indexed
// picture through the first Colors entries of its palette (an index at or
// beyond Colors shows black, as a BMP reader would show it). A null image for
// records of other kinds or with buffers that do not fit their size.
// With showTransparency, transparency as SavePng writes it: a full-colour
// picture with alpha, or an indexed one with a transparent entry, gives an
// ARGB32 image (entry TransIndex fully transparent); otherwise, and without
// showTransparency, the image is RGB32.
QImage ViewImage(const TPictureRecord& record, bool showTransparency = false);

class TPictureView : public QWidget {
    Q_OBJECT
  public:
    explicit TPictureView(QWidget* parent = nullptr);

    // ShowPicture: the view shows record at its natural size (and takes that
    // size). The record is not kept.
    void ShowPicture(const TPictureRecord& record);
    // The same with the record's ViewImage made beforehand (off the main thread).
    void ShowImage(QImage image);
    const QImage& Image() const { return Picture; }
    // Shows image (of the picture's natural size) in place of the picture's
    // own, keeping the view's size: the palette panel's blink.
    void ShowBlinkImage(const QImage& image) {
        Picture = image;
        update();
    }

    // The pointer moved to position (view pixels), or left: (-1, -1).
    std::function<void(QPoint position)> OnPointer;
    // Ctrl + wheel: true to zoom in, false to zoom out. The wheel alone scrolls.
    std::function<void(bool zoomIn)> OnZoomWheel;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    QImage Picture;
};
