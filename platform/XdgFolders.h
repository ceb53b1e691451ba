// The user's base folders after the freedesktop rules: where settings
// (config) and data (desktop entries) live. A variable counts only when it
// holds an absolute path; otherwise the home-relative default applies. The
// one home of these rules for the INI file and the file association.
#pragma once

#include <string>

namespace valbrix::platform {

// $HOME, or the user's home from the password database when it is unset.
std::string HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config; no trailing '/'.
std::string XdgConfigHome();
// $XDG_DATA_HOME, else ~/.local/share; no trailing '/'.
std::string XdgDataHome();

// Creates every missing level of `path`, each new one private (0700) as the
// base-folder rules ask. 0, or the errno value (ENOTDIR when a file stands
// where a folder belongs).
int CreateFolderPath(const std::string& path);

}  // namespace valbrix::platform
