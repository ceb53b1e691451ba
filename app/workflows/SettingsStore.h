// The program's settings in its INI file, through one INI component: the
// remembered target folder ("LastFolder" in section "Folders") and the
// sections the window keeps its own choices in. The file name is set anew
// each time (which closes the component), as the placement component may
// have pointed it elsewhere meanwhile. A file that cannot be written is
// told once per session, with the file and the cause; after that the
// program goes on without saving, and never asks for a file name the user
// cannot give.
#pragma once

#include <QString>

#include "app/dialogs/WindowSeams.h"
#include "settings/MyIni.h"

namespace valbrix {

class TSettingsStore {
public:
    TSettingsStore(TTheIniFile& ini, const TWindowSeams& seams) : FIni(ini), FSeams(seams) {}

    // False when the INI file cannot be used; told once per session.
    bool OpenSection(const QString& section);
    // Empty when none is stored.
    QString ReadLastFolder();
    void WriteLastFolder(const QString& folder);
    // Reads without telling a problem: a choice the window makes at start
    // is no reason for a box before it shows.
    bool OpenSectionQuietly(const QString& section);

private:
    void ReportProblem(const QString& text, int systemError);

    TTheIniFile& FIni;
    const TWindowSeams& FSeams;
    bool FProblemShown = false;
};

}  // namespace valbrix
