#include "app/command_states.h"

namespace {

TCommandStates NoActiveChild() {
    TCommandStates s;
    s.Reduce = false;
    s.Save = false;
    s.Open = true;
    s.Cancel = false;
    s.Copy = false;
    s.View = false;
    s.Settings = true;
    s.Separate = false;
    return s;
}

TCommandStates RunningWithChild(const TCommandInputs& in) {
    TCommandStates s;
    s.Reduce = false;
    s.Save = false;
    s.Open = true;
    s.Cancel = true;
    s.Copy = false;
    if (in.ActiveKind == pkFullColour || in.ActiveKind == pkIndexed) s.View = true;
    if (in.ActiveKind == pkBatch) s.View = false;
    s.Settings = false;
    s.Separate = in.ActiveKind == pkBatch && !in.ActiveBusy;
    return s;
}

TCommandStates IdleWithChild(PictureKind kind) {
    TCommandStates s;
    s.Open = true;
    s.Cancel = false;
    s.Settings = true;
    switch (kind) {
        case pkFullColour:
        case pkIndexed:
            s.Reduce = kind == pkFullColour;
            s.Save = true;
            s.Copy = true;
            s.View = true;
            s.Separate = false;
            break;
        case pkBatch:
            s.Reduce = true;
            s.Save = false;
            s.Copy = false;
            s.View = false;
            s.Separate = true;
            break;
        case pkNone:
            break;  // a child being gathered or merged: the rest stays
    }
    s.ResetBusy = true;
    return s;
}

// While a picture is read or written off the main thread, nothing starts
// another file command or touches the busy document; a run's Cancel stays.
void HoldForFileWork(const TCommandInputs& in, TCommandStates& s) {
    s.Open = false;
    s.Settings = false;
    s.Separate = false;
    s.Cancel = in.HasActiveChild && in.Running;
}

}  // namespace

TCommandStates ComputeCommandStates(const TCommandInputs& in) {
    TCommandStates s;
    if (!in.HasActiveChild) {
        s = NoActiveChild();
    } else {
        // A busy document keeps its flag as during a run.
        s = in.Running || in.FileWork ? RunningWithChild(in) : IdleWithChild(in.ActiveKind);
        s.WindowCommands = true;
        s.Gather = in.GatherCandidates > 1;
        s.Merge = in.MergeCandidates > 1;
    }
    if (in.FileWork) HoldForFileWork(in, s);
    return s;
}

bool CanGather(const TPictureRecord& record, bool minimized) {
    return record.Kind == pkFullColour && record.Busy == 0 && !minimized &&
           record.FileName != "Clipboard";
}

bool CanMerge(const TPictureRecord& record, bool minimized) {
    return record.Kind == pkBatch && record.Busy == 0 && !minimized;
}
