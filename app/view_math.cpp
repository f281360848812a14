#include "app/view_math.h"

#include <QFileInfo>
#include <algorithm>
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

// Captions are concatenated, never built by chained arg(): a name holding
// "%1" or "%2" would be replaced by the later arguments.
QString ResultCaption(int counter, const std::string& sourcePath, int colors) {
    return QString::number(counter) + ':' + FileNamePart(sourcePath) + '(' +
           QString::number(colors) + ')';
}

QString SavedCaption(const TPictureRecord& record) {
    if (record.Kind == pkIndexed) {
        return '*' + FileNamePart(record.FileName) + '(' + QString::number(record.Colors) + ')';
    }
    return FileNamePart(record.FileName);
}

QString MenuItemText(const QString& accelerator, const QString& name) {
    QString escaped = name;
    escaped.replace('&', QStringLiteral("&&"));
    return accelerator + escaped;
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

QSize FittedClientSize(QSize wanted, QSize frame, QSize workspace) {
    const int width = std::min(wanted.width(), workspace.width() - frame.width());
    const int height = std::min(wanted.height(), workspace.height() - frame.height());
    return {std::max(width, 0), std::max(height, 0)};
}

QPoint KeptInside(const QRect& window, QSize workspace) {
    const int left = std::min(window.left(), workspace.width() - window.width());
    const int top = std::min(window.top(), workspace.height() - window.height());
    return {std::max(left, 0), std::max(top, 0)};
}

QPoint BesideSource(const QRect& source, QSize result, QSize workspace) {
    const QRect area(QPoint(0, 0), workspace);
    const QRect right(QPoint(source.right() + 1, source.top()), result);
    if (area.contains(right)) return right.topLeft();
    const QRect below(QPoint(source.left(), source.bottom() + 1), result);
    if (area.contains(below)) return below.topLeft();
    return KeptInside(QRect(source.topLeft(), result), workspace);
}

int ZoomPercent(int zoom) {
    if (zoom >= 0) {
        const long long percent = 100LL * (static_cast<long long>(zoom) + 1);
        return percent > INT_MAX ? INT_MAX : static_cast<int>(percent);
    }
    return static_cast<int>(100 / (1 - static_cast<long long>(zoom)));
}

int PicturePixelAt(int viewPos, int size, int viewExtent) {
    if (viewPos < 0 || viewPos >= viewExtent || size <= 0) return -1;
    const long long pixel = static_cast<long long>(viewPos) * size / viewExtent;
    return static_cast<int>(std::min<long long>(pixel, size - 1));
}

QString PictureStatusText(const TPictureRecord& record) {
    QString text = QString::number(record.Width) + QStringLiteral(" x ") +
                   QString::number(record.Height) + QStringLiteral("   ") +
                   QString::number(ZoomPercent(record.Zoom)) + '%';
    if (record.Kind == pkIndexed) {
        text += QStringLiteral("   ") + QString::number(record.Colors) +
                QString::fromUtf8(UseEnglish() ? " colors" : " 色");
    }
    return text;
}

QString PixelStatusText(const TPictureRecord& record, int x, int y) {
    if (x < 0 || y < 0 || x >= record.Width || y >= record.Height) return {};
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(record.Width) + x;
    ColorValue colour = 0;
    int index = -1;
    if (record.Kind == pkFullColour && record.Pixels.size() >= (at + 1) * sizeof(ColorValue)) {
        colour = record.ColorPixels()[at];
    } else if (record.Kind == pkIndexed && record.Pixels.size() > at) {
        index = record.Pixels[at];
        if (record.Palette.size() < (static_cast<size_t>(index) + 1) * 4) return {};
        colour = index < record.Colors ? record.PaletteEntry(index) : 0;  // as the view shows it
    } else {
        return {};
    }
    QString text =
        '(' + QString::number(x) + QStringLiteral(", ") + QString::number(y) +
        QStringLiteral(") #") +
        QStringLiteral("%1").arg(RedOf(colour) << 16 | GreenOf(colour) << 8 | BlueOf(colour), 6, 16,
                                 QChar('0'));
    if (index >= 0) text += QStringLiteral(" index ") + QString::number(index);
    return text;
}
