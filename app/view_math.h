#pragma once
// The arithmetic of document windows, kept apart from the widgets so that it
// can be tested by itself: zoom steps and shown sizes, the colour count of
// Property, the recent-files list and the captions of picture windows.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <string>

#include "formats/picture.h"

// Shown length of size pixels at zoom step zoom (no limit either way):
// size * (zoom + 1) for zoom >= 0, size / (1 - zoom) truncated for zoom < 0.
// So 100 pixels show 33 wide at -2, 1 wide at -99 and 0 wide from -100 on.
// Saturates at INT_MAX instead of overflowing for very large steps.
int ViewExtent(int size, int zoom);

// CalcViewSize: ViewWidth and ViewHeight from Width, Height and Zoom.
void CalcViewSize(TPictureRecord& record);

// ZoomState: 0 for a document that is neither pkFullColour nor pkIndexed,
// otherwise 1 in the normal window state and 2 when maximized or minimized.
int ZoomState(PictureKind kind, bool maximizedOrMinimized);

// Number of distinct colours in the picture: by a 2^24-bit set for
// pkFullColour (by colour value), by 256 flags for pkIndexed (palette
// entries no pixel uses do not count); 0 for any other kind or empty pixels.
int CountColors(const TPictureRecord& record);

// "W x H / N color(s)." (English) or "W x H / N 色." (Japanese).
QString PropertyText(const TPictureRecord& record, int count);

// The file name part of a path (after the last '/'), the whole text when it
// has none.
QString FileNamePart(const std::string& path);
// The file name part without its extension (from its last '.').
QString BaseNamePart(const std::string& path);

// "7:cat.bmp(16)" for a new result window.
QString ResultCaption(int counter, const std::string& sourcePath, int colors);
// After a successful save: "*out.gif(16)" for a reduced picture, "out.bmp"
// for a full-colour one.
QString SavedCaption(const TPictureRecord& record);

// A menu item's text: accelerator (e.g. "&1 ", may be empty) then name with
// every "&" doubled, so that a file name shows literally and underlines
// nothing.
QString MenuItemText(const QString& accelerator, const QString& name);

// Puts absolutePath at the top of the ten-entry recent list (entry 0 the
// newest). An entry equal to it (ignoring letter case when ignoreCase) is
// moved to the top, the last such entry counting; otherwise entry 9 drops
// out.
void PutRecentFile(std::array<std::string, 10>& recent, const std::string& absolutePath,
                   bool ignoreCase);

// Whether the file system the program runs on treats "A.png" and "a.png" as
// one file: false on Linux, so recent entries are compared exactly there.
bool FileSystemIgnoresCase();

// ---- Windows in the workspace -------------------------------------------
// workspace: the size of the document area's visible part; frame: what a
// window adds around its client area (title, borders).

// The client size a window gets when wanted is asked for: each side limited
// so that the whole window fits the workspace (the picture scrolls inside),
// never below 0.
QSize FittedClientSize(QSize wanted, QSize frame, QSize workspace);

// The top-left corner that keeps window (a window's geometry) fully inside
// the workspace where it can be: moved left and up just as far as needed,
// never past 0.
QPoint KeptInside(const QRect& window, QSize workspace);

// Where a result window of size result opens next to source: right of it,
// else below it, where the whole window fits; otherwise KeptInside of
// source's place.
QPoint BesideSource(const QRect& source, QSize result, QSize workspace);

// ---- The status bar ---------------------------------------------------

// The zoom of step zoom in per cent: 100 * (zoom + 1), or 100 / (1 - zoom)
// rounded down below 100 %.
int ZoomPercent(int zoom);

// The picture pixel under view position viewPos along one axis of size
// picture pixels shown viewExtent long; -1 outside the picture.
int PicturePixelAt(int viewPos, int size, int viewExtent);

// "640 x 480   100%" and, for a reduced picture, "   16 colors" ("16 色").
QString PictureStatusText(const TPictureRecord& record);
// "(x, y) #rrggbb", for a reduced picture followed by " index n"; empty when
// (x, y) lies outside the picture or its buffers do not fit.
QString PixelStatusText(const TPictureRecord& record, int x, int y);
