// Path rules of the folder field and dialog; see PathUtil.h.
#include "PathUtil.h"

#include "platform/gui/PathFacts.h"

namespace valbrix {

bool IsExistingDirectory(const QString& path)
{
    return platform::IsExistingFolder(path);
}

QString RemoveTrailingBackslash(const QString& path)
{
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        return path.left(path.size() - 1);
    return path;
}

QString ExpandToLongPath(const QString& path)
{
    return path;
}

QString ReduceToShortPath(const QString& path)
{
    return path;
}

QString ConvertPathList(const QString& text, bool multiple, const std::function<QString(const QString&)>& convert)
{
    if (!multiple)
        return convert(text);
    QString result;
    for (const QString& piece : text.split(QLatin1Char(';'))) {
        const QString converted = convert(piece);
        if (!result.isEmpty() && !converted.isEmpty())
            result += QLatin1Char(';');
        result += converted;
    }
    return result;
}

QString AppendPath(const QString& text, const QString& path, bool multiple)
{
    if (text.isEmpty() || !multiple)
        return path;
    return text + QLatin1Char(';') + path;
}

QString DroppedPathValue(const QString& path)
{
    if (platform::Exists(path) && !platform::IsExistingFolder(path)) {
        const QString folder = platform::FolderOf(path);
        return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    }
    return path;
}

QPoint CenteredPosition(const QRect& window, const QRect& area)
{
    // Halves truncate toward zero, as the original arithmetic did.
    int left = area.left() + (area.width() - window.width()) / 2;
    int top = area.top() + (area.height() - window.height()) / 2;
    if (left + window.width() > area.left() + area.width())
        left = area.left() + area.width() - window.width();
    if (left < area.left())
        left = area.left();
    if (top + window.height() > area.top() + area.height())
        top = area.top() + area.height() - window.height();
    if (top < area.top())
        top = area.top();
    return {left, top};
}

}  // namespace valbrix
