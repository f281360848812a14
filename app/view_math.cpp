#include "app/view_math.h"

#include <QFileInfo>
#include <climits>
#include <vector>

#include "config/texts.h"

int ViewExtent(int size, int zoom) {
    if (zoom >= 0) {
        const long long extent = static_cast<long long>(size) * (static_cast<long long>(zoom) + 1);
        return extent > INT_MAX ? INT_MAX : static_cast<int>(extent);
    }
    return static_cast<int>(size / (1 - static_cast<long long>(zoom)));
}

void CalcViewSize(TPictureRecord& record) {
    record.ViewWidth = ViewExtent(record.Width, record.Zoom);
    record.ViewHeight = ViewExtent(record.Height, record.Zoom);
}

int ZoomState(PictureKind kind, bool maximizedOrMinimized) {
    if (kind != pkFullColour && kind != pkIndexed) return 0;
    return maximizedOrMinimized ? 2 : 1;
}

int CountColors(const TPictureRecord& record) {
    const size_t pixels = static_cast<size_t>(record.Width) * static_cast<size_t>(record.Height);
    int count = 0;
    if (record.Kind == pkFullColour && record.Pixels.size() >= pixels * sizeof(ColorValue)) {
        std::vector<bool> seen(size_t{1} << 24);  // 2 MiB of bits
        const ColorValue* colour = record.ColorPixels();
        for (size_t i = 0; i < pixels; ++i) {
            const ColorValue c = colour[i] & 0xFFFFFFu;
            if (!seen[c]) {
                seen[c] = true;
                ++count;
            }
        }
    } else if (record.Kind == pkIndexed && record.Pixels.size() >= pixels) {
        bool seen[256] = {};
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t index = record.Pixels[i];
            if (!seen[index]) {
                seen[index] = true;
                ++count;
            }
        }
    }
    return count;
}

QString PropertyText(const TPictureRecord& record, int count) {
    return QStringLiteral("%1 x %2 / %3").arg(record.Width).arg(record.Height).arg(count) +
           QString::fromUtf8(Text(TextId::PropertyColors));
}

QString FileNamePart(const std::string& path) {
    const QString text = QString::fromStdString(path);
    return text.mid(text.lastIndexOf('/') + 1);
}

QString BaseNamePart(const std::string& path) {
    const QString name = FileNamePart(path);
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString ResultCaption(int counter, const std::string& sourcePath, int colors) {
    return QStringLiteral("%1:%2(%3)").arg(counter).arg(FileNamePart(sourcePath)).arg(colors);
}

QString SavedCaption(const TPictureRecord& record) {
    if (record.Kind == pkIndexed) {
        return QStringLiteral("*%1(%2)").arg(FileNamePart(record.FileName)).arg(record.Colors);
    }
    return FileNamePart(record.FileName);
}

void PutRecentFile(std::array<std::string, 10>& recent, const std::string& absolutePath,
                   bool ignoreCase) {
    const QString wanted = QString::fromStdString(absolutePath);
    const Qt::CaseSensitivity rule = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    int match = -1;
    for (int k = 0; k < static_cast<int>(recent.size()); ++k) {
        if (QString::fromStdString(recent[k]).compare(wanted, rule) == 0) match = k;
    }
    const int last = match >= 0 ? match : static_cast<int>(recent.size()) - 1;
    for (int k = last; k > 0; --k) recent[k] = recent[k - 1];
    recent[0] = absolutePath;
}

bool FileSystemIgnoresCase() {
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    return false;
#endif
}
