// The View menu (zoom in, zoom out, actual pixels, the palette panel) and Property.

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <climits>

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/palette_window.h"
#include "app/picture_view.h"
#include "app/view_math.h"
#include "config/texts.h"

void TFormMain::MenuZoomInClick() { ZoomStep(ActiveChild(), true); }

void TFormMain::MenuZoomOutClick() { ZoomStep(ActiveChild(), false); }

void TFormMain::ZoomStep(TFormChild* child, bool zoomIn) {
    if (child == nullptr || ZoomStateOf(child) == 0) return;
    int& zoom = child->Record().Zoom;
    if (zoomIn && zoom < INT_MAX) ++zoom;
    if (!zoomIn && zoom > INT_MIN + 1) --zoom;
    ApplyZoom(child);
}

void TFormMain::MenuActualPixelsClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr || ZoomStateOf(child) == 0) return;
    child->Record().Zoom = 0;
    ApplyZoom(child);
}

void TFormMain::MenuPropertyClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr) return;
    const int count = CountColors(child->Record());
    if (count == 0) return;
    ShowMessage(this, TMessageKind::Information, QString::fromUtf8(Text(TextId::PropertyTitle)),
                PropertyText(child->Record(), count));
}

void TFormMain::createStatusBar() {
    StatusPicture = new QLabel(this);
    StatusPicture->setObjectName("StatusPicture");
    StatusPixel = new QLabel(this);
    StatusPixel->setObjectName("StatusPixel");
    statusBar()->addWidget(StatusPicture);
    statusBar()->addWidget(StatusPixel, 1);
}

void TFormMain::UpdateStatusBar() {
    TFormChild* child = ActiveChild();
    const bool picture = child != nullptr && ZoomStateOf(child) != 0;
    StatusPicture->setText(picture ? PictureStatusText(child->Record()) : QString());
    if (!picture) StatusPixel->clear();
}

void TFormMain::ShowPointer(TFormChild* child, QPoint viewPosition) {
    if (child != ActiveChild() || ZoomStateOf(child) == 0) return;
    const TPictureRecord& record = child->Record();
    const QSize shown = child->ImagePic->size();
    StatusPixel->setText(
        PixelStatusText(record, PicturePixelAt(viewPosition.x(), record.Width, shown.width()),
                        PicturePixelAt(viewPosition.y(), record.Height, shown.height())));
}

void TFormMain::MenuPaletteClick() {
    if (PalettePanel == nullptr) {
        PalettePanel = new TPaletteWindow(this);
        addDockWidget(Qt::RightDockWidgetArea, PalettePanel);
        // The panel's own close box unchecks the menu item.
        connect(PalettePanel, &QDockWidget::visibilityChanged, this,
                [this] { MenuPalette->setChecked(!PalettePanel->isHidden()); });
    }
    PalettePanel->setVisible(MenuPalette->isChecked());
    UpdateCommands();
}
