// Batch windows: batch runs driving the core's TBatchRun, and Gather, Merge
// and Separate.

#include "app/form_child.h"
#include "app/mainwindow.h"
#include "engine/batch.h"

void TFormMain::StartBatchRun(TFormChild* batch) { (void)batch; }

void TFormMain::MenuSeparateClick() {}

void TFormMain::MenuGatherClick() {}

void TFormMain::MenuMergeClick() {}
