#pragma once
// The program's icon and the tool buttons' pictures, drawn in code (the Qt
// build we rely on has no SVG reader; resources/zinop.svg is the same design
// for the desktop). Each icon's disabled form is derived by Qt.

#include <QIcon>

// Four palette colours on a dark rounded square.
QIcon ZinopIcon();

enum class TToolIcon { Open, Save, Paste, Copy, ZoomIn, Actual, ZoomOut, Reduce, Cancel };
QIcon ToolIcon(TToolIcon which);
