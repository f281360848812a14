#pragma once
// TFormChild: one document window, the widget inside a QMdiSubWindow. It
// owns its picture record (a picture, a reduced picture or a batch marker),
// the batch's file list and the key of the palette it caches. The record is
// plain data; the window only shows it.
//
//   PanelSwitch (25 pixels, batches only) with CheckBoxIntegrated
//   ScrollBoxPicture (no frame, button-face background) holding ImagePic
//   MemoBatch (read-only, both scroll bars, no wrap), covered by the picture
//   box for picture documents

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/document_window.h"

class QCheckBox;
class QPlainTextEdit;
class QScrollArea;
class TPictureView;

class TFormChild : public QWidget, public TDocumentWindow {
    Q_OBJECT
  public:
    // FormCreate. english: CheckBoxIntegrated takes its English caption.
    explicit TFormChild(bool english, QWidget* parent = nullptr);

    TPictureRecord& Record() override { return Picture; }
    const TPictureRecord& Record() const { return Picture; }
    bool FormCloseQuery() override;  // false while Busy: the close is ignored
    void FormClose();                // releases the buffers and the list

    // Turns the window into a batch: picture box hidden, PanelSwitch shown.
    void ShowAsBatch();
    // Replaces MemoBatch's text by lines; appends one line and keeps the last
    // line in view.
    void SetBatchLines(const std::vector<std::string>& lines);
    void AppendBatchLine(const std::string& line);
    QStringList BatchLines() const;

    // Called from FormResize (and on window state changes): UpdateCommands.
    std::function<void()> OnResize;
    // Asked before an unsaved picture closes (not while busy): true lets the
    // close go on (saved or discarded), false keeps the window.
    std::function<bool()> ConfirmClose;

    QScrollArea* ScrollBoxPicture = nullptr;
    TPictureView* ImagePic = nullptr;
    QPlainTextEdit* MemoBatch = nullptr;
    QWidget* PanelSwitch = nullptr;
    QCheckBox* CheckBoxIntegrated = nullptr;

    TPictureRecord Picture;
    std::vector<std::string> BatchFiles;
    std::string LastPaletteKey;
    // A reduced or pasted picture not saved since: closing it asks first.
    bool Unsaved = false;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FormResize();
};
