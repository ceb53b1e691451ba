// TMain's comment area: the archive comment (often a read-me or a version
// note) below the list, in a read-only plain-text field, so nothing in it
// is ever taken as a link or markup. "Kommentar" in the menu hides or shows
// it; the choice is "Comment" in section "View" of the INI file.
#include "app/window/MainUnit.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include "app/texts/ListTexts.h"
#include "settings/MyIni.h"

namespace valbrix {

namespace {

const QString ViewSection = QStringLiteral("View");
const QString CommentKey = QStringLiteral("Comment");

}  // namespace

void TMain::CreateCommentArea()
{
    CommentView = new QPlainTextEdit;
    CommentView->setReadOnly(true);
    CommentView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    CommentView->setLineWrapMode(QPlainTextEdit::NoWrap);
    CommentView->setMaximumHeight(CommentView->fontMetrics().lineSpacing() * 6);
    CommentView->hide();
    // Read quietly while the window is built: a settings file that cannot
    // be used is told when something is to be saved, not before the window shows.
    QString shown = QStringLiteral("1");
    if (FSettings.OpenSectionQuietly(ViewSection))
        MyIniFile.ReadValue(CommentKey, shown, shown);
    const QSignalBlocker quiet(Kommentar1);
    Kommentar1->setChecked(shown != QLatin1String("0"));
}

void TMain::ShowComment(const std::string& comment)
{
    CommentView->setPlainText(VisibleCommentText(comment));
    CommentView->setVisible(!comment.empty() && Kommentar1->isChecked());
}

void TMain::Kommentar1Click(bool shown)
{
    CommentView->setVisible(shown && !CommentView->document()->isEmpty());
    if (FSettings.OpenSection(ViewSection))
        MyIniFile.WriteValue(CommentKey, shown ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace valbrix
