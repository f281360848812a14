#pragma once
// Keeping the main window reachable: the stored place and size are applied
// as they are unless the window's top strip (where it is grabbed) would lie
// on no screen, as after a monitor was removed; then the window moves onto
// the primary screen and shrinks to fit it.

#include <QList>
#include <QRect>

#include "config/settings_record.h"

// screens: the available area of every screen, the primary one first. An
// empty list keeps bounds unchanged.
TBounds KeepOnScreen(const TBounds& bounds, const QList<QRect>& screens);
