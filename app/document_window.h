#pragma once
// What the main window asks of a document window (the widget inside each
// QMdiSubWindow): its picture record and whether it may close. Document
// windows implement it; the main window's command states and close query
// read it.

#include "formats/picture.h"

class TDocumentWindow {
public:
    virtual ~TDocumentWindow() = default;
    virtual TPictureRecord& Record() = 0;
    // False while the document is busy (being reduced or running a batch).
    virtual bool FormCloseQuery() = 0;
};

// The process-wide run flag: true while a reduction or batch run is in
// progress. False at start; FormShow clears it again.
inline bool ReduceRunning = false;
