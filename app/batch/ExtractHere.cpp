// Where "Hier entpacken" puts an archive's entries; see the header.
#include "app/batch/ExtractHere.h"

#include <string_view>

#include "platform/gui/PathFacts.h"

namespace valbrix {

bool KeepsToOneTopFolder(const TEntryTable& table)
{
    if (table.Size() == 1)
        return true;
    std::string_view top;
    for (size_t i = 0; i < table.Size(); ++i) {
        const std::string_view name = table.Name(i);
        const size_t slash = name.find('/');
        // A file at the top level would land among the archive's neighbours.
        if (slash == std::string_view::npos || slash == 0)
            return false;
        const std::string_view first = name.substr(0, slash);
        if (i == 0)
            top = first;
        else if (first != top)
            return false;
    }
    return table.Size() > 0;
}

QString ExtractHereFolder(const QString& archivePath, const TEntryTable& table,
                          const std::function<bool(const QString& path)>& taken)
{
    const QString parent = platform::AbsoluteFolderOf(archivePath);
    if (KeepsToOneTopFolder(table))
        return parent;
    QString base = platform::FileNameOf(archivePath);
    if (base.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) && base.size() > 4)
        base.chop(4);
    const QString stem = (parent.endsWith(QLatin1Char('/')) ? parent : parent + QLatin1Char('/')) + base;
    QString folder = stem;
    for (int number = 2; taken(folder); ++number)
        folder = QStringLiteral("%1 (%2)").arg(stem).arg(number);
    return folder;
}

}  // namespace valbrix
