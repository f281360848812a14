#pragma once
// The palette panel: a dock beside the document area that shows the palette
// of the active result window. Its entries appear in index order as
// swatches, each with the number of pixels that use it (the transparent entry
// carries a checkerboard); a swatch's tooltip gives its index and #rrggbb.
// Clicking a swatch makes that entry's pixels blink in the result's view a
// few times; only the shown image changes, never the picture. "Save
// palette..." writes the entries through the core palette writer.
//
// The panel follows the active window (the main window calls ShowDocument
// from UpdateCommands); a window that holds no reduced picture leaves it
// empty and disabled.

#include <QDockWidget>
#include <QImage>
#include <QPointer>
#include <array>
#include <cstdint>
#include <vector>

#include "formats/picture.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;
class TFormChild;
class TPictureView;

// How many pixels of an indexed record use each entry; all zero for any
// other record or one whose pixels do not fit its size. Indices at or beyond
// Colors count nowhere.
std::array<uint64_t, 256> CountPaletteEntries(const TPictureRecord& record);
// The first Colors entries of an indexed record in index order (empty else).
std::vector<ColorValue> PaletteEntries(const TPictureRecord& record);
// The index of the record's transparent entry, -1 when it has none.
int TransparentEntry(const TPictureRecord& record);
// shown (the view's image of record) with the pixels of entry painted in a
// colour that stands out from the entry; null when the sizes disagree.
QImage HighlightImage(const TPictureRecord& record, const QImage& shown, int entry);

// One entry: its colour over the count of its pixels; emits Clicked.
class TPaletteSwatch : public QWidget {
    Q_OBJECT
  public:
    TPaletteSwatch(int index, ColorValue color, uint64_t pixels, bool transparent,
                   QWidget* parent = nullptr);
    int Index() const { return EntryIndex; }
    ColorValue Color() const { return EntryColor; }
    uint64_t Pixels() const { return PixelCount; }
    bool Transparent() const { return IsTransparent; }

  signals:
    void Clicked(int index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    int EntryIndex;
    ColorValue EntryColor;
    uint64_t PixelCount;
    bool IsTransparent;
};

class TPaletteWindow : public QDockWidget {
    Q_OBJECT
  public:
    explicit TPaletteWindow(QWidget* parent = nullptr);

    // Shows child's palette (nothing for null or a picture not reduced).
    // Cheap when child and its picture are the ones already shown.
    void ShowDocument(TFormChild* child);
    // Starts the blink of entry's pixels in the shown document's view.
    void BlinkEntry(int entry);
    bool Blinking() const;
    // "Save palette...": the file dialog, then SavePaletteTo.
    void ButtonSavePaletteClick();
    // Writes the shown palette to path (format from its extension); a
    // failure shows a warning with the path and the reason. False on failure.
    bool SavePaletteTo(const QString& path);

    QList<TPaletteSwatch*> Swatches() const;
    QLabel* LabelSummary = nullptr;
    QPushButton* ButtonSavePalette = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Rebuild();
    void BlinkStep();
    void StopBlink(bool restore);

    QWidget* SwatchBox = nullptr;
    QGridLayout* SwatchGrid = nullptr;
    QPointer<TFormChild> Document;
    // What the swatches show, to skip rebuilding for the same picture.
    const void* ShownPixels = nullptr;
    std::vector<uint8_t> ShownPalette;
    int32_t ShownColors = -1;
    int32_t ShownTransCorner = 0;
    std::vector<ColorValue> Entries;
    // The blink: the view, its own image, the highlighted one, steps to go.
    QTimer* BlinkTimer = nullptr;
    QPointer<TPictureView> BlinkView;
    QImage BlinkOriginal;
    QImage BlinkHighlight;
    int BlinkStepsLeft = 0;
};
