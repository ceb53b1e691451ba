// The folder field and its base classes; see ToolEdit.h. The original drew
// its button into a multi-line edit with a narrowed formatting rectangle; a
// QLineEdit gets the same look from a child button and a right text margin.
#include "ToolEdit.h"

#include <algorithm>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QUrl>

#include "FileUtil.h"

namespace valbrix {

namespace {

constexpr int DefaultButtonWidth = 21, DefaultButtonHeight = 17;

// The default picture: a small closed folder, 14 x 12 like the original bitmap.
QPixmap FolderGlyph()
{
    QPixmap pixmap(14, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x80, 0x60, 0x10));
    painter.setBrush(QColor(0xF0, 0xC8, 0x50));
    painter.drawRect(1, 1, 5, 2);    // the tab
    painter.drawRect(1, 3, 11, 7);   // the body
    return pixmap;
}

}  // namespace

TEllipsisDots EllipsisDots(int buttonWidth)
{
    TEllipsisDots dots{};
    dots.Width = std::max(1, buttonWidth - 6);
    int gap = (dots.Width - 6) / 2;
    gap = std::clamp(gap, 1, 3);
    const int first = (dots.Width - 6 - 2 * gap) / 2;
    dots.Left[0] = first;
    dots.Left[1] = first + gap + 2;
    dots.Left[2] = first + 2 * gap + 4;
    return dots;
}

TEditButton::TEditButton(TCustomComboEdit* edit, QWidget* parent) : QToolButton(parent), FEdit(edit)
{
    setAutoRaise(true);  // flat
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TEditButton::mousePressEvent(QMouseEvent* event)
{
    // The click arrives with the focus already in the field, so focus
    // handlers of the form (and its text selection) run before the dialog.
    if (event->button() == Qt::LeftButton && FEdit->focusPolicy() & Qt::TabFocus && FEdit->isEnabled() &&
        !FEdit->hasFocus())
        FEdit->setFocus(Qt::OtherFocusReason);
    QToolButton::mousePressEvent(event);
}

TCustomComboEdit::TCustomComboEdit(QWidget* parent) : QLineEdit(parent)
{
    ButtonHost = new QWidget(this);
    ButtonHost->resize(DefaultButtonWidth, DefaultButtonHeight);
    Button = new TEditButton(this, ButtonHost);
    Button->setGeometry(0, 0, DefaultButtonWidth, DefaultButtonHeight);
    connect(Button, &QToolButton::clicked, this, &TCustomComboEdit::HandleButtonClick);
    FButtonWidth = DefaultButtonWidth;
    // Never lower than one line of text in the field's font.
    setMinimumHeight(minimumSizeHint().height());
    UpdateButtonBounds();
}

TCustomComboEdit::~TCustomComboEdit()
{
    // The binding goes before the children, so a dying button clicks nothing.
    disconnect(Button, nullptr, this, nullptr);
}

void TCustomComboEdit::SetReadOnly(bool readOnly)
{
    if (readOnly == FReadOnly)
        return;
    FReadOnly = readOnly;
    setReadOnly(FReadOnly || !FDirectInput);
}

void TCustomComboEdit::SetDirectInput(bool directInput)
{
    FDirectInput = directInput;
    setReadOnly(FReadOnly || !FDirectInput);
}

void TCustomComboEdit::SetButtonWidth(int width)
{
    if (width == FButtonWidth)
        return;
    ButtonHost->setVisible(width > 1);
    if (!FConstructing && width >= this->width())
        return;
    FButtonWidth = std::max(width, 0);
    UpdateButtonBounds();
    RebuildGlyph();
}

QString TCustomComboEdit::ButtonHint() const
{
    return Button->toolTip();
}

void TCustomComboEdit::SetButtonHint(const QString& hint)
{
    Button->setToolTip(hint);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind)
{
    if (kind == FGlyphKind)
        return;
    FGlyphKind = kind;
    RebuildGlyph();
    if (kind == gkDefault && !FGlyph.isNull())
        SetButtonWidth(std::max(FGlyph.width() / FNumGlyphs + 6, FButtonWidth));
    else if (kind == gkDropDown)
        SetButtonWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void TCustomComboEdit::SetGlyph(const QPixmap& glyph)
{
    FGlyph = glyph;
    FGlyphKind = gkCustom;
    ApplyButtonPicture();
}

void TCustomComboEdit::SetNumGlyphs(int count)
{
    if (FGlyphKind == gkDropDown || FGlyphKind == gkEllipsis)
        FNumGlyphs = 1;
    else if (FGlyphKind == gkDefault)
        FNumGlyphs = FDefaultGlyphCount;
    else
        FNumGlyphs = std::clamp(count, 1, 4);
    ApplyButtonPicture();
}

void TCustomComboEdit::RebuildGlyph()
{
    switch (FGlyphKind) {
    case gkCustom:
        break;
    case gkDefault:
        FGlyph = DefaultGlyphBitmap();
        FNumGlyphs = FDefaultGlyphCount;
        break;
    case gkDropDown: {
        FGlyph = QPixmap(9, 9);
        FGlyph.fill(Qt::transparent);
        QPainter painter(&FGlyph);
        QStyleOption option;
        option.initFrom(this);
        option.rect = FGlyph.rect();
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
        FNumGlyphs = 1;
        break;
    }
    case gkEllipsis: {
        const TEllipsisDots dots = EllipsisDots(FButtonWidth);
        FGlyph = QPixmap(dots.Width, 4);
        FGlyph.fill(Qt::transparent);
        QPainter painter(&FGlyph);
        for (int left : dots.Left)
            painter.fillRect(left, 1, 2, 2, palette().color(QPalette::ButtonText));
        FNumGlyphs = 1;
        break;
    }
    }
    ApplyButtonPicture();
}

void TCustomComboEdit::ApplyButtonPicture()
{
    if (FGlyph.isNull()) {
        Button->setIcon(QIcon());
        return;
    }
    // Several pictures side by side: the first is the normal one, the second the disabled one.
    const int width = FGlyph.width() / FNumGlyphs;
    QIcon icon(FGlyph.copy(0, 0, width, FGlyph.height()));
    if (FNumGlyphs >= 2)
        icon.addPixmap(FGlyph.copy(width, 0, width, FGlyph.height()), QIcon::Disabled);
    Button->setIcon(icon);
    Button->setIconSize(QSize(width, FGlyph.height()));
}

void TCustomComboEdit::UpdateButtonBounds()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    ButtonHost->setGeometry(width() - FButtonWidth - frame, frame, FButtonWidth, std::max(height() - 2 * frame, 1));
    Button->setGeometry(0, 0, FButtonWidth, ButtonHost->height());
    UpdateEditRect();
}

void TCustomComboEdit::UpdateEditRect()
{
    // Typed text never runs under the button.
    setTextMargins(0, 0, (ButtonHost->isVisibleTo(this) ? FButtonWidth : 0) + 2, 0);
}

void TCustomComboEdit::HandleButtonClick()
{
    if (!FReadOnly)
        DoButtonClick();
}

void TCustomComboEdit::DoButtonClick()
{
    if (OnButtonClick)
        OnButtonClick(*this);
}

void TCustomComboEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    UpdateButtonBounds();
}

void TCustomComboEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        Button->setEnabled(isEnabled());
    else if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateButtonBounds();
}

void TCustomComboEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    FHasFocus = true;
    // A click into the text places the cursor; every other way in (Tab, the
    // button, the dialog's own focus call) selects the whole text.
    if (AutoSelect && FDirectInput && event->reason() != Qt::MouseFocusReason)
        selectAll();
}

void TCustomComboEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    FHasFocus = false;
}

void TCustomComboEdit::keyPressEvent(QKeyEvent* event)
{
    const auto modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (QKeyCombination(modifiers, Qt::Key(event->key())) == ClickKey && FButtonWidth > 0 && ButtonHost) {
        HandleButtonClick();
        event->accept();
        return;
    }
    if (OnKeyPress && !event->text().isEmpty()) {
        const QChar typed = event->text().front();
        QChar key = typed;
        OnKeyPress(*this, key);
        if (key.isNull()) {
            event->accept();
            return;
        }
        if (key != typed) {
            if (!isReadOnly())
                insert(QString(key));
            event->accept();
            return;
        }
    }
    // Enter and Escape: the line edit passes them on to the owning dialog,
    // whose default or cancel button then reacts.
    QLineEdit::keyPressEvent(event);
}

TFileDirEdit::TFileDirEdit(QWidget* parent) : TCustomComboEdit(parent)
{
    SetGlyphKind(gkDefault);
}

void TFileDirEdit::SetAcceptFiles(bool accept)
{
    FAcceptFiles = accept;
}

QPixmap TFileDirEdit::DefaultGlyphBitmap() const
{
    static const QPixmap glyph = FolderGlyph();
    return glyph;
}

void TFileDirEdit::NotifyBeforeDialog(QString& name, bool& action)
{
    if (OnBeforeDialog)
        OnBeforeDialog(*this, name, action);
}

void TFileDirEdit::NotifyAfterDialog(QString& name, bool& action)
{
    if (OnAfterDialog)
        OnAfterDialog(*this, name, action);
}

void TFileDirEdit::DropFiles(const QStringList& names)
{
    if (names.isEmpty())
        return;
    ClearDroppedPaths();
    for (const QString& name : names) {
        AcceptDroppedPath(name);
        if (!TakesSeveralDrops())
            break;
    }
    if (OnDropFiles)
        OnDropFiles(*this);
}

namespace {

QStringList LocalFiles(const QMimeData* data)
{
    QStringList names;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                names << url.toLocalFile();
    return names;
}

}  // namespace

// A drag of local files is taken only with AcceptFiles; without it such a
// drag is no text to insert either. False for any other drag.
bool TFileDirEdit::AnswerFileDrag(QDragMoveEvent* event) const
{
    if (LocalFiles(event->mimeData()).isEmpty())
        return false;
    if (FAcceptFiles)
        event->acceptProposedAction();
    else
        event->ignore();
    return true;
}

void TFileDirEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (!AnswerFileDrag(event))
        TCustomComboEdit::dragEnterEvent(event);
}

void TFileDirEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (!AnswerFileDrag(event))
        TCustomComboEdit::dragMoveEvent(event);
}

void TFileDirEdit::dropEvent(QDropEvent* event)
{
    const QStringList names = FAcceptFiles ? LocalFiles(event->mimeData()) : QStringList();
    if (names.isEmpty()) {
        TCustomComboEdit::dropEvent(event);
        return;
    }
    DropFiles(names);
    event->acceptProposedAction();
}

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : TFileDirEdit(parent)
{
    FConstructing = false;
}

QString TDirectoryEdit::LongPaths() const
{
    return ConvertPathList(text(), MultipleDirs, ExpandToLongPath);
}

QString TDirectoryEdit::ShortPaths() const
{
    return ConvertPathList(text(), MultipleDirs, ReduceToShortPath);
}

void TDirectoryEdit::DoButtonClick()
{
    TFileDirEdit::DoButtonClick();
    QString name = text();
    bool action = true;
    NotifyBeforeDialog(name, action);
    if (!action)
        return;
    if (name.isEmpty())
        name = InitialDir.isEmpty() ? QStringLiteral("/") : InitialDir;
    if (!IsExistingDirectory(name))
        name = QStringLiteral("/");
    // Both dialog kinds are the one Qt folder dialog; only dkWin32 shows the prompt.
    action = BrowseForDirectory(name, DialogKind == dkWin32 ? DialogText : QString(), HelpContext, window(),
                                OnHelp, FolderDialogRunner);
    if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible())
        setFocus(Qt::OtherFocusReason);
    NotifyAfterDialog(name, action);
    if (!action)
        return;
    // The focus call above normally selected the whole text, so a new folder
    // replaces it; only unselected text gets the folder appended.
    QString current = text();
    if (hasSelectedText())
        current.remove(selectionStart(), selectedText().size());
    setText(AppendPath(current, name, MultipleDirs));
    if (!name.isEmpty() && IsExistingDirectory(name))
        InitialDir = name;
}

void TDirectoryEdit::AcceptDroppedPath(const QString& path)
{
    setText(AppendPath(text(), DroppedPathValue(path), MultipleDirs));
}

}  // namespace valbrix
