#pragma once
// What the main window asks of a document window (the widget inside each
// QMdiSubWindow): its picture record and whether it may close. Document
// windows implement it; the main window's command states and close query
// read it.

#include "app/reduce_running.h"
#include "formats/picture.h"

class TDocumentWindow {
  public:
    virtual ~TDocumentWindow() = default;
    virtual TPictureRecord& Record() = 0;
    // False while the document is busy (being reduced or running a batch).
    virtual bool FormCloseQuery() = 0;
};
