// "Archiv testen" from the first entry to the summary: the tester decodes
// the given entries with the view's bar, and one box says how many of the
// archive's files were tested and lists every failure with its reason. A
// view closed during the run ends it without the box.
#pragma once

#include "app/dialogs/WindowSeams.h"
#include "app/workflows/ArchiveTester.h"
#include "app/workflows/RunView.h"

namespace valbrix {

// `archiveFiles`: the archive's file entries, for "12 von 300". Returns the report.
TTestReport RunTestCommand(TArchiveTester& tester, const TWindowSeams& seams, const TZipArchive& archive,
                           const TTableEntries& entries, int archiveFiles, TRunView& view);

}  // namespace valbrix
