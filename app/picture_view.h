#pragma once
// ImagePic: the picture view of a document window. It keeps one image of the
// picture at its natural size and draws it stretched to its own size:
// enlarging repeats pixels (never smoothed, so single pixels can be
// inspected). Only the exposed part is drawn, so a large picture scrolls
// without redrawing all of it.

#include <QImage>
#include <QWidget>

#include "formats/picture.h"

// The picture as SaveBmp would write it: full colour as is, an indexed
// picture through the first Colors entries of its palette (an index at or
// beyond Colors shows black, as a BMP reader would show it). A null image for
// records of other kinds or with buffers that do not fit their size.
QImage ViewImage(const TPictureRecord& record);

class TPictureView : public QWidget {
    Q_OBJECT
  public:
    explicit TPictureView(QWidget* parent = nullptr);

    // ShowPicture: the view shows record at its natural size (and takes that
    // size). The record is not kept.
    void ShowPicture(const TPictureRecord& record);
    const QImage& Image() const { return Picture; }
    // Shows image (of the picture's natural size) in place of the picture's
    // own, keeping the view's size: the palette panel's blink.
    void ShowImage(const QImage& image) {
        Picture = image;
        update();
    }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage Picture;
};
