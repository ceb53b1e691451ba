// The folder field: a one-line edit with a small button inside its right
// edge (TCustomComboEdit, TEditButton), file drops and dialog events on top
// (TFileDirEdit), and the folder field itself (TDirectoryEdit), whose button
// or Alt+Down opens the folder dialog of FileUtil.h. Enter and Escape go on
// to the owning dialog, so its default and cancel buttons still react; the
// field's OnKeyPress sees them first and may swallow them (key := 0).
#pragma once

#include <cstdint>
#include <functional>

#include <QKeySequence>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>

#include "FileUtil.h"

namespace valbrix {

enum TGlyphKind : uint8_t { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TDirDialogKind : uint8_t { dkVCL, dkWin32 };
// Options of the simple folder dialog; both dialog kinds use the same Qt dialog here.
enum TSelectDirOpt : uint8_t { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = uint8_t;

// Left edges of the three 2x2 dots of the ellipsis picture for a button of
// the given width; the picture is max(1, width - 6) wide and 4 high.
struct TEllipsisDots {
    int Width;
    int Left[3];
};
TEllipsisDots EllipsisDots(int buttonWidth);

class TCustomComboEdit;

// The embedded button: pressing it moves the focus into the field first.
class TEditButton : public QToolButton {
    Q_OBJECT
public:
    explicit TEditButton(TCustomComboEdit* edit, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    TCustomComboEdit* FEdit;
};

class TCustomComboEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);
    ~TCustomComboEdit() override;

    TEditButton* Button = nullptr;  // the embedded button
    QWidget* ButtonHost = nullptr;  // holds Button at the field's right edge

    // Read-only for the user: typing and the button do nothing.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    // Typing allowed; without it the button and ClickKey still fill the field.
    bool DirectInput() const { return FDirectInput; }
    void SetDirectInput(bool directInput);
    QKeyCombination ClickKey = QKeyCombination(Qt::AltModifier, Qt::Key_Down);
    bool AutoSelect = true;  // focus arriving other than by a mouse click selects the text

    int ButtonWidth() const { return FButtonWidth; }
    // 0 removes the button; 1 hides its host; a width not below the field's width is ignored.
    void SetButtonWidth(int width);
    QString ButtonHint() const;
    void SetButtonHint(const QString& hint);
    TGlyphKind GlyphKind() const { return FGlyphKind; }
    void SetGlyphKind(TGlyphKind kind);
    // A custom picture of NumGlyphs pictures side by side (normal, disabled, ...).
    const QPixmap& Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& glyph);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int count);
    bool HasFocus() const { return FHasFocus; }

    std::function<void(TCustomComboEdit&)> OnButtonClick;
    // Sees every typed character (Enter 13 and Escape 27 included) before the
    // field and the owning dialog; setting key to 0 swallows it.
    std::function<void(TCustomComboEdit&, QChar& key)> OnKeyPress;

    // The button's click and ClickKey: DoButtonClick unless ReadOnly.
    void HandleButtonClick();

protected:
    virtual void DoButtonClick();
    virtual QPixmap DefaultGlyphBitmap() const { return {}; }
    void RebuildGlyph();
    void UpdateButtonBounds();
    void UpdateEditRect();

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    bool FConstructing = true;  // sizes apply directly while true

private:
    void ApplyButtonPicture();

    bool FReadOnly = false;
    bool FDirectInput = true;
    int FButtonWidth = 21;
    TGlyphKind FGlyphKind = gkCustom;
    QPixmap FGlyph;
    int FNumGlyphs = 1;
    int FDefaultGlyphCount = 1;
    bool FHasFocus = false;
};

class TFileDirEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    explicit TFileDirEdit(QWidget* parent = nullptr);

    bool AcceptFiles() const { return FAcceptFiles; }
    void SetAcceptFiles(bool accept);
    // The folder dialog's "&Hilfe" button shows HelpContext through OnHelp; without both there is no button.
    int HelpContext = 0;
    THelpHandler OnHelp;

    // Sender, the folder (by reference) and whether to go on / whether it was chosen.
    using TExecOpenDialogEvent = std::function<void(TFileDirEdit&, QString& name, bool& action)>;
    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;
    std::function<void(TFileDirEdit&)> OnDropFiles;

    virtual QString LongPaths() const = 0;
    virtual QString ShortPaths() const = 0;
    // Takes dropped local names in order: the first only, or all with MultipleDirs.
    void DropFiles(const QStringList& names);

protected:
    virtual void AcceptDroppedPath(const QString& path) = 0;
    virtual void ClearDroppedPaths() {}
    virtual bool TakesSeveralDrops() const { return false; }
    virtual void NotifyBeforeDialog(QString& name, bool& action);
    virtual void NotifyAfterDialog(QString& name, bool& action);
    QPixmap DefaultGlyphBitmap() const override;

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool AnswerFileDrag(QDragMoveEvent* event) const;

    bool FAcceptFiles = false;
};

class TDirectoryEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    TDirDialogKind DialogKind = dkVCL;
    QString DialogText;
    TSelectDirOpts DialogOptions = 0;
    QString InitialDir;     // start of the dialog when the field is empty; the last chosen folder
    bool MultipleDirs = false;  // the text is a ';'-separated list of folders
    TFolderDialogRunner FolderDialogRunner;  // runs the folder dialog; empty: modally

    QString LongPaths() const override;
    QString ShortPaths() const override;

protected:
    void DoButtonClick() override;
    void AcceptDroppedPath(const QString& path) override;
    bool TakesSeveralDrops() const override { return MultipleDirs; }
};

}  // namespace valbrix
