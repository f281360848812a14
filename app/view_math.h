#pragma once
// The arithmetic of document windows, kept apart from the widgets so that it
// can be tested by itself: zoom steps and shown sizes, the colour count of
// Property, the recent-files list and the captions of picture windows.

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

// Puts absolutePath at the top of the ten-entry recent list (entry 0 the
// newest). An entry equal to it (ignoring letter case when ignoreCase) is
// moved to the top, the last such entry counting; otherwise entry 9 drops
// out.
void PutRecentFile(std::array<std::string, 10>& recent, const std::string& absolutePath,
                   bool ignoreCase);

// Whether the file system the program runs on treats "A.png" and "a.png" as
// one file: false on Linux, so recent entries are compared exactly there.
bool FileSystemIgnoresCase();
