// Opening one entry with the desktop's program and preparing a drag of the
// marked entries: both extract into a new private folder (see
// platform/PrivateFolders) with the window's extraction adapter, so a
// password is asked and a failure worded exactly as in an extraction, and
// the progress bar and "Abbrechen" work the same. The opened file goes to
// the desktop through the launcher seam; a drag is offered the top-level
// items of its folder as file URLs, the entries inside them with their
// archive folders. The folders live until RemoveFolders (the archive is
// closed or another one opened) or until this object goes with the window.
// Everything it cannot do it says in German through the window's boxes;
// files go to the desktop through the window's launcher.
#pragma once

#include <memory>
#include <string>

#include <QList>
#include <QString>
#include <QUrl>

#include "app/workflows/ExtractEntries.h"
#include "platform/PrivateFolders.h"

class QMimeData;
class QObject;

namespace valbrix {

class TEntryOpener {
public:
    // temporaryFolder: where the private folders are made.
    TEntryOpener(TEntryExtractor& extractor, const TWindowSeams& seams, const std::string& temporaryFolder);
    TEntryOpener(const TEntryOpener&) = delete;
    // The window whose boxes tell what the desktop reports after the hand-over.
    void SetOwner(QObject* owner) { FOwner = owner; }
    TEntryOpener& operator=(const TEntryOpener&) = delete;

    // Extracts the one file entry of `entry` (a folder entry or one we
    // cannot decode is refused with its reason) and hands the file to the
    // desktop's default program. True when it was handed over.
    bool OpenEntry(const TZipArchive& archive, const TExtractList& entry, const TProgressSink& progress);
    // Extracts the entries with their folders into a new private folder and
    // returns its top-level items as file URLs, sorted by name; empty when
    // nothing was extracted or the user stopped the run.
    QList<QUrl> ExtractForDrag(const TZipArchive& archive, const TExtractList& list, const TProgressSink& progress);
    // ExtractForDrag's URLs as a drag's data (text/uri-list); null when none.
    std::unique_ptr<QMimeData> DragData(const TZipArchive& archive, const TExtractList& list,
                                        const TProgressSink& progress);

    // True when a local path lies in one of our private folders: a drop of
    // our own drag, which the window must not take for files to open.
    bool IsOwnFile(const QString& path) const;
    // Removes every private folder made so far.
    void RemoveFolders() { FFolders.RemoveAll(); }

private:
    // A new private folder, or empty after saying why.
    QString CreateFolder();

    TEntryExtractor& FExtractor;
    const TWindowSeams& FSeams;
    platform::TPrivateFolders FFolders;
    QObject* FOwner = nullptr;
};

}  // namespace valbrix
