// Where "Hier entpacken" puts an archive's entries: beside the archive when
// they all lie below one top-level folder of it (or there is only one), so
// no second folder level appears; else in a new folder named after the
// archive without ".zip", "name (2)" and on when that name is taken, so the
// entries never spill among the files already there.
#pragma once

#include <functional>

#include <QString>

#include "engine/archive/EntryTable.h"

namespace valbrix {

// True when every entry's name starts with the same first level and that
// level is a folder ("a/", "a/b.txt"), or the table holds one entry.
bool KeepsToOneTopFolder(const TEntryTable& table);

// The target folder for `archivePath` (absolute); `taken` says whether a
// name is already used in the archive's folder.
QString ExtractHereFolder(const QString& archivePath, const TEntryTable& table,
                          const std::function<bool(const QString& path)>& taken);

}  // namespace valbrix
