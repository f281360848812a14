// The View menu (zoom in, zoom out, actual pixels, the palette panel) and Property.

#include <QAction>
#include <climits>

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/palette_window.h"
#include "app/view_math.h"
#include "config/texts.h"

void TFormMain::MenuZoomInClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr || ZoomStateOf(child) == 0) return;
    if (child->Record().Zoom < INT_MAX) ++child->Record().Zoom;
    ApplyZoom(child);
}

void TFormMain::MenuZoomOutClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr || ZoomStateOf(child) == 0) return;
    if (child->Record().Zoom > INT_MIN + 1) --child->Record().Zoom;
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
