#include "app/save_format.h"

namespace {
constexpr int kBmpFilter = 2;
constexpr int kPngFilter = 3;
constexpr int kGifFilter = 4;
}  // namespace

int SaveWriterIndex(const QString& path, int selectedFilter) {
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (extension == QLatin1String("bmp")) return kBmpFilter;
    if (extension == QLatin1String("png")) return kPngFilter;
    if (extension == QLatin1String("gif")) return kGifFilter;
    return selectedFilter == kPngFilter || selectedFilter == kGifFilter ? selectedFilter
                                                                        : kBmpFilter;
}

QStringList DialogNameFilters(const QStringList& filters) {
    QStringList shown;
    for (QString filter : filters) shown << filter.replace(QLatin1String("(*.*)"), "(*)");
    return shown;
}
