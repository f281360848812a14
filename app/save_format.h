#pragma once
// Which writer a save uses: the extension typed wins, as GIMP and
// ImageMagick go by it, so that a file's content always matches its name.

#include <QString>
#include <QStringList>

// The save dialog's filter index of the writer for path, saved with the
// filter selectedFilter chosen (counted from 1: 1 "All files", 2 BMP,
// 3 PNG, 4 GIF). A name ending in ".bmp", ".png" or ".gif" (any letter case)
// gives 2, 3 or 4 whatever was selected; any other name keeps
// selectedFilter, with "All files" and unknown indexes writing BMP (2).
int SaveWriterIndex(const QString& path, int selectedFilter);

// The filters as a file dialog gets them: "(*.*)" becomes "(*)", so that
// "All files" also lists names without a dot. Same order and count.
QStringList DialogNameFilters(const QStringList& filters);
