// The Edit menu: reduce, settings, paste, copy and cancel, the progress
// timer, and the completion of a single-picture reduction.

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QRegularExpression>
#include <new>
#include <utility>

#include "app/clipboard_image.h"
#include "app/form_child.h"
#include "app/form_cpl.h"
#include "app/io_worker.h"
#include "app/mainwindow.h"
#include "app/message_box.h"
#include "app/picture_view.h"
#include "app/view_math.h"
#include "config/texts.h"
#include "engine/batch.h"
#include "engine/convert.h"
#include "engine/palette_choice.h"
#include "config/texts.h"
#include "formats/bmp.h"

namespace {

constexpr int kDialogOffset = 8;  // pixels right of and below the main window's corner
constexpr size_t kPaletteBytes = 1024;
constexpr size_t kBmpFileHeaderBytes = 14;
const char* const kClipboardName = "Clipboard";

// A menu text without its accelerator: "&Paste" -> "Paste", "貼り付け(&P)" -> "貼り付け".
QString PlainMenuText(QString text) {
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)$")));
    return text.remove(QLatin1Char('&'));
}

ColorValue* PaletteView(std::vector<uint8_t>& palette) {
    return reinterpret_cast<ColorValue*>(palette.data());
}

// The indexed record a reduction of picture fills: its size, zoom and path,
// colors entries and palette (1024 bytes). Throws std::bad_alloc.
void PrepareResult(const TPictureRecord& picture, int colors, std::vector<uint8_t> palette,
                   TPictureRecord& result) {
    result = TPictureRecord{};
    result.Kind = pkIndexed;
    result.Width = picture.Width;
    result.Height = picture.Height;
    result.Zoom = picture.Zoom;
    result.FileName = picture.FileName;
    result.Colors = colors;
    result.XPelsPerMeter = picture.XPelsPerMeter;
    result.YPelsPerMeter = picture.YPelsPerMeter;
    result.Pixels.assign(static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height),
                         0);
    result.Palette = std::move(palette);
}

}  // namespace

void TFormMain::MenuSettingClick() {
    FormCPL->move(pos() + QPoint(kDialogOffset, kDialogOffset));
    FormCPL->exec();
}

void TFormMain::ButtonReduceClick() {
    if (ReduceRunning) return;  // one worker at a time
    QPointer<TFormChild> child = ActiveChild();
    if (child == nullptr) return;
    FormCPL->move(pos() + QPoint(kDialogOffset, kDialogOffset));
    if (FormCPL->exec() != QDialog::Accepted || child == nullptr) return;
    TPaletteChoiceError paletteError;
    if (!ResolvePaletteChoice(Settings, paletteError)) {
        ShowMessage(this, TMessageKind::Warning, UseEnglish() ? "Palette" : "パレット",
                    QString::fromStdString(PaletteChoiceErrorText(paletteError, UseEnglish())));
        return;
    }
    switch (child->Record().Kind) {
        case pkFullColour:
            StartReduce(child);
            break;
        case pkBatch:
            StartBatchRun(child);
            break;
        default:
            break;
    }
}

void TFormMain::StartReduce(TFormChild* source) {
    TPictureRecord& picture = source->Record();
    // Busy before the command states are worked out, so that Gather no
    // longer counts the picture being reduced.
    picture.Busy = 1;
    SetReduceRunning(true);
    UpdateCommands();
    ReduceSource = source;
    PaletteCacheTarget = &picture.Palette;
    try {
        std::vector<uint8_t> resultPalette;
        const std::string key = FillReduceJob(Settings, Job);
        bool reuse = false;
        if (key == source->LastPaletteKey && !picture.Palette.empty()) {
            resultPalette = picture.Palette;
            resultPalette.resize(kPaletteBytes, 0);
            reuse = true;
        } else {
            source->LastPaletteKey = key;
            resultPalette.assign(kPaletteBytes, 0);
        }
        PrepareResult(picture, Job.PaletteSize, std::move(resultPalette), ResultRecord);
        WorkBuffer.assign(picture.Pixels.size() / sizeof(int32_t), 0);
        SetUpSingleJob(Job, picture.Width, picture.Height, picture.ColorPixels(),
                       ResultRecord.Pixels.data(), PaletteView(ResultRecord.Palette),
                       WorkBuffer.data(), reuse);
        Job.SourceAlpha = picture.AlphaOrNull();
    } catch (const std::bad_alloc&) {
        // Too large for the memory left: ends as a run that did not succeed.
        Job.Succeeded = false;
        FinishReduce();
        return;
    }
    StartWorker([this] { FinishReduce(); });
}

void TFormMain::StartWorker(std::function<void()> done) {
    Worker.reset();  // the previous worker has ended: wait for its thread
    // The worker calls back on its own thread; the rest runs on ours. This
    // object outlives every worker (the destructor waits for it).
    Worker = std::make_unique<TConvert>(Job, [this, done](ReduceJob&) {
        QMetaObject::invokeMethod(
            this, [done] { RunGuarded(done); }, Qt::QueuedConnection);
    });
    if (!Worker->Start()) {
        Job.Succeeded = false;
        QMetaObject::invokeMethod(
            this, [done] { RunGuarded(done); }, Qt::QueuedConnection);
    }
}

void TFormMain::StopWorker() {
    if (Worker != nullptr) Worker->Terminate();
    Worker.reset();
}

void TFormMain::FinishReduce() {
    SetReduceRunning(false);
    if (Job.Succeeded) {
        CalcViewSize(ResultRecord);
        NextClientWidth = ResultRecord.ViewWidth;
        NextClientHeight = ResultRecord.ViewHeight;
        TFormChild* child = CreateChild();
        TPictureRecord& result = child->Record();
        result.Kind = pkIndexed;
        result.Width = ResultRecord.Width;
        result.Height = ResultRecord.Height;
        result.Zoom = ResultRecord.Zoom;
        result.TransIndex = Job.TransIndex;
        result.TransCorner = Job.TransCorner;
        result.AlphaTransparent = Job.AlphaTransparent;
        result.XPelsPerMeter = ResultRecord.XPelsPerMeter;
        result.YPelsPerMeter = ResultRecord.YPelsPerMeter;
        // The run's record is cleared below: hand its buffers over, no copy.
        result.Pixels = std::move(ResultRecord.Pixels);
        result.Palette = std::move(ResultRecord.Palette);
        result.FileName = std::move(ResultRecord.FileName);
        SetDocumentCaption(child,
                           ResultCaption(ResultCounter++, result.FileName, ResultRecord.Colors));
        result.Colors = ResultRecord.Colors;
        child->Unsaved = true;  // until saved: closing it asks first
        child->ImagePic->ShowPicture(result);
        ApplyZoom(child);
        FitWindowToPicture(child);
        PlaceBeside(child, ReduceSource);
        if (ReduceSource != nullptr) *PaletteCacheTarget = result.Palette;
    } else if (ReduceSource != nullptr) {
        PaletteCacheTarget->clear();  // the next run builds a new palette
    }
    QApplication::beep();  // the default sound on success, the exclamation on cancel
    std::vector<int32_t>().swap(WorkBuffer);
    ResultRecord = TPictureRecord{};
    Worker.reset();
    ReduceSource = nullptr;
    PaletteCacheTarget = nullptr;
    UpdateCommands();
}

void TFormMain::ButtonCancelClick() {
    if (BatchRun != nullptr && BatchRun->Running()) {
        BatchCancelled = true;
        BatchRun->Cancel();
    } else if (Worker != nullptr) {
        Worker->Terminate();
    }
}

void TFormMain::TimerProgressTimer() { ProgressBar->setValue(Job.Progress.load()); }

void TFormMain::SpeedButtonCopyClick() {
    TFormChild* child = ActiveChild();
    if (child == nullptr) return;
    const TPictureRecord& record = child->Record();
    if (record.Kind != pkFullColour && record.Kind != pkIndexed) return;
    TByteBuffer bmp;
    WriteBmpImage(record, bmp);
    if (bmp.Data.size() <= kBmpFileHeaderBytes) return;
    // Both forms: an image (other programs mostly read image/png) and the
    // exact BMP image a save would write.
    auto* data = new QMimeData;
    data->setImageData(ViewImage(record, true));  // image/png keeps the transparency
    data->setData(QStringLiteral("image/bmp"),
                  QByteArray(reinterpret_cast<const char*>(bmp.Data.data()),
                             static_cast<qsizetype>(bmp.Data.size())));
    QApplication::clipboard()->setMimeData(data);
    CopiedData = data;  // the clipboard owns it; a paste of it needs no decoding
}

void TFormMain::SpeedButtonPasteClick() {
    if (FileWork > 0) return;  // one file command at a time
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasImage()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TClipboardPicture picture = TakeClipboardPicture(*data, data == CopiedData);
    TPictureRecord loaded;
    QImage view;
    int status = 1;
    TFailureReason reason;
    {
        // Decoding a large picture takes seconds: off the main thread.
        TFileWork work(*this, nullptr);
        RunOffMainThread([&picture, &loaded, &view, &status, &reason] {
            status = LoadClipboardPicture(picture, loaded);
            if (status != 0) {
                reason = LastLoadFailure();
            } else {
                view = ViewImage(loaded, true);
            }
        });
    }
    QApplication::restoreOverrideCursor();
    if (status == 0) {
        loaded.FileName = kClipboardName;
        TFormChild* pasted =
            NewPictureWindow(loaded, QString::fromUtf8(kClipboardName), std::move(view));
        pasted->Unsaved = true;  // until saved: closing it asks first
    } else {
        ShowMessage(this, TMessageKind::Warning, PlainMenuText(MenuPaste->text()),
                    QString::fromUtf8(kClipboardName) +
                        QString::fromUtf8(Text(TextId::OpenCantLoad)) + ReasonLine(reason));
    }
    UpdateCommands();
}
