// Command-state rules and command-line reassembly; see the header.
#include "app/window/MainState.h"
#include "platform/gui/PathFacts.h"


namespace valbrix {

TCommandState CommandStateAfterListing(int rowCount, int selectedCount)
{
    const bool enabled = rowCount > 0 && selectedCount > 0;
    return {enabled, enabled, enabled};
}

TCommandState CommandStateAfterSelection(int rowCount, int selectedCount, bool closeEnabled)
{
    return {rowCount > 0 && selectedCount > 0, rowCount > 0, closeEnabled};
}

QString ReassembleArchivePath(const QStringList& parameters)
{
    QString result, pending;
    for (const QString& parameter : parameters) {
        pending = pending.isEmpty() ? parameter : pending + QLatin1Char(' ') + parameter;
        if (platform::IsExistingFile(pending)) {
            result = pending;
            pending.clear();
        } else if (pending != platform::AbsolutePathOf(pending)) {
            // Only a piece that is already a full path can be the start of one.
            pending.clear();
        }
    }
    return result;
}

}  // namespace valbrix
