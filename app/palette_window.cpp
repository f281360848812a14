#include "app/palette_window.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/english_texts.h"
#include "app/form_child.h"
#include "app/message_box.h"
#include "app/picture_view.h"
#include "config/texts.h"
#include "formats/palette_file.h"

namespace {

constexpr TCaption kPaletteCaptions[] = {
    {"PalettePanel", "パレット", "Palette"},
    {"ButtonSavePalette", "パレットを保存...", "Save palette..."},
};

constexpr int kColumns = 8;
constexpr int kSwatchWidth = 52;
constexpr int kSwatchHeight = 40;
constexpr int kColorHeight = 24;  // the colour box above the count
constexpr int kCheckerPixels = 6;
constexpr int kBlinkMilliseconds = 200;
constexpr int kBlinkSteps = 6;  // highlighted, normal, ... : three blinks

// The save dialog's filters, in the order of TPaletteFormat.
QStringList SaveFilters() {
    if (UseEnglish()) {
        return {"GIMP palette (*.gpl)", "JASC palette (*.pal)", "Adobe color table (*.act)",
                "Hex list (*.hex)"};
    }
    return {"GIMP パレット (*.gpl)", "JASC パレット (*.pal)", "Adobe カラーテーブル (*.act)",
            "16 進数リスト (*.hex)"};
}

QString RgbHex(ColorValue c) {
    return QString::asprintf("#%02x%02x%02x", RedOf(c), GreenOf(c), BlueOf(c));
}

// A count that fits under a swatch: 12345, 123k, 12.3M.
QString ShortCount(uint64_t n) {
    if (n < 100000) return QString::number(n);
    if (n < 10000000) return QString::number(n / 1000) + "k";
    return QString::number(static_cast<double>(n) / 1e6, 'f', 1) + "M";
}

QRgb Contrast(ColorValue c) {
    const int luma = (RedOf(c) * 299 + GreenOf(c) * 587 + BlueOf(c) * 114) / 1000;
    return luma >= 128 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
}

}  // namespace

std::array<uint64_t, 256> CountPaletteEntries(const TPictureRecord& record) {
    std::array<uint64_t, 256> counts{};
    if (record.Kind != pkIndexed || record.Width <= 0 || record.Height <= 0) return counts;
    const size_t pixels = static_cast<size_t>(record.Width) * static_cast<size_t>(record.Height);
    if (record.Pixels.size() < pixels) return counts;
    for (size_t i = 0; i < pixels; ++i) ++counts[record.Pixels[i]];
    for (int i = std::max(record.Colors, 0); i < 256; ++i) counts[i] = 0;
    return counts;
}

std::vector<ColorValue> PaletteEntries(const TPictureRecord& record) {
    std::vector<ColorValue> entries;
    if (record.Kind != pkIndexed || record.Colors < 1 || record.Colors > 256 ||
        record.Palette.size() < static_cast<size_t>(record.Colors) * 4) {
        return entries;
    }
    for (int i = 0; i < record.Colors; ++i) entries.push_back(record.PaletteEntry(i) & 0xFFFFFF);
    return entries;
}

int TransparentEntry(const TPictureRecord& record) {
    const bool has = record.Kind == pkIndexed && record.TransCorner >= 0 &&
                     record.TransIndex >= 0 && record.TransIndex < record.Colors;
    return has ? record.TransIndex : -1;
}

QImage HighlightImage(const TPictureRecord& record, const QImage& shown, int entry) {
    if (shown.isNull() || shown.width() != record.Width || shown.height() != record.Height ||
        entry < 0 || entry >= record.Colors || shown.format() != QImage::Format_RGB32 ||
        record.Pixels.size() < static_cast<size_t>(record.Width) * record.Height) {
        return {};
    }
    QImage image = shown.copy();
    const QRgb mark = Contrast(record.PaletteEntry(entry));
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* from = record.Pixels.data() + static_cast<size_t>(y) * record.Width;
        for (int x = 0; x < image.width(); ++x) {
            if (from[x] == entry) row[x] = mark;
        }
    }
    return image;
}

TPaletteSwatch::TPaletteSwatch(int index, ColorValue color, uint64_t pixels, bool transparent,
                               QWidget* parent)
    : QWidget(parent),
      EntryIndex(index),
      EntryColor(color),
      PixelCount(pixels),
      IsTransparent(transparent) {
    setFixedSize(kSwatchWidth, kSwatchHeight);
    setCursor(Qt::PointingHandCursor);
    const bool english = UseEnglish();
    QString tip = QStringLiteral("%1 %2\n%3 %4")
                      .arg(index)
                      .arg(RgbHex(color))
                      .arg(pixels)
                      .arg(english ? "pixel(s)" : "ピクセル");
    if (transparent) tip += english ? "\n(transparent)" : "\n(透明)";
    setToolTip(tip);
}

void TPaletteSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box(2, 2, width() - 4, kColorHeight);
    const QColor color(RedOf(EntryColor), GreenOf(EntryColor), BlueOf(EntryColor));
    painter.fillRect(box, color);
    if (IsTransparent) {
        // A checkerboard over the right half: the colour stays visible.
        const QRect half(box.center().x(), box.top(), box.right() - box.center().x() + 1,
                         box.height());
        painter.setClipRect(half);
        for (int y = half.top(); y <= half.bottom(); y += kCheckerPixels) {
            for (int x = half.left(); x <= half.right(); x += kCheckerPixels) {
                const bool dark =
                    ((x - half.left()) / kCheckerPixels + (y - half.top()) / kCheckerPixels) % 2 ==
                    0;
                painter.fillRect(x, y, kCheckerPixels, kCheckerPixels,
                                 dark ? QColor(153, 153, 153) : QColor(255, 255, 255));
            }
        }
        painter.setClipping(false);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect text(0, kColorHeight + 2, width(), height() - kColorHeight - 2);
    painter.drawText(text, Qt::AlignCenter, ShortCount(PixelCount));
}

void TPaletteSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit Clicked(EntryIndex);
}

TPaletteWindow::TPaletteWindow(QWidget* parent) : QDockWidget(parent) {
    setObjectName("PalettePanel");
    setProperty(kHintProperty, QString::fromUtf8(kPaletteCaptions[0].English));
    setWindowTitle(QString::fromUtf8(kPaletteCaptions[0].Japanese));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    LabelSummary = new QLabel(body);
    LabelSummary->setObjectName("LabelSummary");
    layout->addWidget(LabelSummary);
    auto* scroll = new QScrollArea(body);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SwatchBox = new QWidget(scroll);
    SwatchGrid = new QGridLayout(SwatchBox);
    SwatchGrid->setSpacing(0);
    SwatchGrid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scroll->setWidget(SwatchBox);
    scroll->setMinimumWidth(kColumns * kSwatchWidth + 24);
    layout->addWidget(scroll, 1);
    ButtonSavePalette = new QPushButton(body);
    SetCaption(ButtonSavePalette, kPaletteCaptions[1]);
    connect(ButtonSavePalette, &QPushButton::clicked, this, [this] { ButtonSavePaletteClick(); });
    layout->addWidget(ButtonSavePalette);
    setWidget(body);
    BlinkTimer = new QTimer(this);
    BlinkTimer->setInterval(kBlinkMilliseconds);
    connect(BlinkTimer, &QTimer::timeout, this, [this] { BlinkStep(); });
    if (UseEnglish()) ApplyEnglishToForm(this, {"QPushButton"});
    Rebuild();
}

void TPaletteWindow::ShowDocument(TFormChild* child) {
    const TPictureRecord* record = child != nullptr ? &child->Record() : nullptr;
    const bool same =
        child == Document && ShownColors >= 0 &&
        (record == nullptr
             ? Entries.empty()
             : (record->Pixels.data() == ShownPixels && record->Colors == ShownColors &&
                record->TransCorner == ShownTransCorner && record->Palette == ShownPalette));
    if (same) return;
    StopBlink(true);
    Document = child;
    ShownColors = -1;  // stale until rebuilt; a hidden panel rebuilds when shown
    if (isVisible()) Rebuild();
}

void TPaletteWindow::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (ShownColors < 0) Rebuild();
}

void TPaletteWindow::Rebuild() {
    for (TPaletteSwatch* swatch : Swatches()) delete swatch;
    const TPictureRecord empty;
    const TPictureRecord& record = Document ? Document->Record() : empty;
    Entries = PaletteEntries(record);
    ShownPixels = record.Pixels.data();
    ShownPalette = record.Palette;
    ShownColors = record.Colors;
    ShownTransCorner = record.TransCorner;
    const bool english = UseEnglish();
    widget()->setEnabled(!Entries.empty());
    if (Entries.empty()) {
        LabelSummary->setText(english ? "No reduced picture" : "減色した画像がありません");
        return;
    }
    const std::array<uint64_t, 256> counts = CountPaletteEntries(record);
    const int transparent = TransparentEntry(record);
    int used = 0;
    for (int i = 0; i < static_cast<int>(Entries.size()); ++i) {
        auto* swatch = new TPaletteSwatch(i, Entries[i], counts[i], i == transparent, SwatchBox);
        connect(swatch, &TPaletteSwatch::Clicked, this, [this](int index) { BlinkEntry(index); });
        SwatchGrid->addWidget(swatch, i / kColumns, i % kColumns);
        used += counts[i] > 0 ? 1 : 0;
    }
    LabelSummary->setText(english
                              ? QStringLiteral("%1 entries, %2 used").arg(Entries.size()).arg(used)
                              : QStringLiteral("%1 色 (使用 %2 色)").arg(Entries.size()).arg(used));
}

QList<TPaletteSwatch*> TPaletteWindow::Swatches() const {
    return SwatchBox->findChildren<TPaletteSwatch*>(Qt::FindDirectChildrenOnly);
}

void TPaletteWindow::BlinkEntry(int entry) {
    StopBlink(true);
    if (!Document || Document->ImagePic == nullptr) return;
    TPictureView* view = Document->ImagePic;
    BlinkOriginal = view->Image();
    BlinkHighlight = HighlightImage(Document->Record(), BlinkOriginal, entry);
    if (BlinkHighlight.isNull()) return;
    BlinkView = view;
    BlinkStepsLeft = kBlinkSteps - 1;
    view->ShowBlinkImage(BlinkHighlight);
    BlinkTimer->start();
}

bool TPaletteWindow::Blinking() const { return BlinkTimer->isActive(); }

void TPaletteWindow::BlinkStep() {
    if (!BlinkView) return StopBlink(false);
    // Someone else showed a new image (the picture changed): leave it.
    const QImage& expected = BlinkStepsLeft % 2 == 1 ? BlinkHighlight : BlinkOriginal;
    if (BlinkView->Image().cacheKey() != expected.cacheKey()) return StopBlink(false);
    --BlinkStepsLeft;
    BlinkView->ShowBlinkImage(BlinkStepsLeft % 2 == 1 ? BlinkHighlight : BlinkOriginal);
    if (BlinkStepsLeft <= 0) StopBlink(false);
}

void TPaletteWindow::StopBlink(bool restore) {
    BlinkTimer->stop();
    if (restore && BlinkView && BlinkView->Image().cacheKey() == BlinkHighlight.cacheKey()) {
        BlinkView->ShowBlinkImage(BlinkOriginal);
    }
    BlinkView = nullptr;
    BlinkOriginal = QImage();
    BlinkHighlight = QImage();
    BlinkStepsLeft = 0;
}

void TPaletteWindow::ButtonSavePaletteClick() {
    if (Entries.empty()) return;
    const QStringList filters = SaveFilters();
    QFileDialog dialog(this);
    dialog.setObjectName("SavePaletteDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix("gpl");
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const auto format = static_cast<TPaletteFormat>(std::max(0, int(filters.indexOf(filter))));
        dialog.setDefaultSuffix(PaletteFormatExtension(format));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().front();
    if (!PaletteFormatOfPath(path.toStdString())) {
        const int index = std::max(0, int(filters.indexOf(dialog.selectedNameFilter())));
        path += QString(".") + PaletteFormatExtension(static_cast<TPaletteFormat>(index));
    }
    SavePaletteTo(path);
}

bool TPaletteWindow::SavePaletteTo(const QString& path) {
    TPaletteError error;
    if (!Entries.empty() && WritePaletteFile(path.toStdString(), Entries, error)) return true;
    if (Entries.empty()) error.Problem = TPaletteProblem::Empty;
    const bool english = UseEnglish();
    ShowMessage(this, TMessageKind::Warning, english ? "Palette" : "パレット",
                path + "\n" + QString::fromStdString(PaletteErrorText(error, english)));
    return false;
}
