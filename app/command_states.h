#pragma once
// Which document commands are available, as one pure rule over the state of
// the program (UpdateCommands applies it to the actions). An empty optional
// means "leave the command as it is".

#include <optional>

#include "formats/picture.h"

struct TCommandInputs {
    bool HasActiveChild = false;
    bool Running = false;             // ReduceRunning
    PictureKind ActiveKind = pkNone;  // of the active child
    bool ActiveBusy = false;          // its Busy flag
    int GatherCandidates = 0;         // children that CanGather
    int MergeCandidates = 0;          // children that CanMerge
    bool FileWork = false;            // a single open, save or paste is under way
};

struct TCommandStates {
    std::optional<bool> Reduce, Save, Open, Cancel, Copy;
    std::optional<bool> View;  // zoom in, zoom out, actual pixels, property
    std::optional<bool> Settings, Separate;
    bool WindowCommands = false;  // restore up, arrange, close all, minimize, tiles, cascade
    bool Gather = false;
    bool Merge = false;
    bool ResetBusy = false;  // idle with an active child: every child's Busy := 0
};

TCommandStates ComputeCommandStates(const TCommandInputs& in);

// The document tests of Gather and Merge.
bool CanGather(const TPictureRecord& record, bool minimized);
bool CanMerge(const TPictureRecord& record, bool minimized);
