// The View menu and Property. Stubs until the document windows come.

#include "app/mainwindow.h"

void TFormMain::MenuZoomInClick() {
    // Stub: zoom comes with the picture windows.
}

void TFormMain::MenuZoomOutClick() {
    // Stub: zoom comes with the picture windows.
}

void TFormMain::MenuActualPixelsClick() {
    // Stub: zoom comes with the picture windows.
}

void TFormMain::MenuPropertyClick() {
    // Stub: the property report comes with the picture windows.
}
