// The association of ZIP files with this program, the freedesktop way: a
// desktop entry "valbrix.desktop" in the user's applications folder whose
// Exec line starts this program with the file, and that entry named as the
// default application for the ZIP MIME types in the user's mimeapps.list.
// The text transforms are pure functions; the file side reads and writes
// through a temporary file and a rename, keeps every line of mimeapps.list it
// does not own, and removes nothing. A missing file counts as empty; one that
// exists but cannot be read is left alone, since rewriting it from nothing
// would drop the user's other associations. Failures are reported by the
// result, never thrown.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace valbrix::platform {

// The desktop file ID under which the association is written.
inline constexpr std::string_view AssociationDesktopId = "valbrix.desktop";
// The MIME types a ZIP archive is announced as; the second comes from Windows peers.
inline constexpr std::array<std::string_view, 2> AssociationMimeTypes = {"application/zip",
                                                                         "application/x-zip-compressed"};

// One program path as an Exec argument: quoted where the desktop entry rules
// demand it (blanks, quotes, shell characters), with '%' doubled and the
// string escapes of a desktop entry value applied.
std::string QuoteExecArgument(std::string_view argument);

// The first argument of an Exec value, with the value escapes and the
// quoting undone; empty when the value is empty or its quoting is broken.
std::string ExecProgram(std::string_view execValue);

// The whole desktop entry that starts `programPath` with one file, with the
// actions "Hier entpacken" and "Entpacken nach …".
std::string DesktopEntryText(std::string_view programPath);

// The value of `key` in the [Desktop Entry] group, or empty.
std::string DesktopEntryValue(std::string_view desktopText, std::string_view key);
// The value of `key` in the group named `group` ("Desktop Action ExtractHere"), or empty.
std::string DesktopGroupValue(std::string_view desktopText, std::string_view group, std::string_view key);

// The first desktop file ID named as default for `mimeType` under
// [Default Applications], or empty.
std::string DefaultApplication(std::string_view mimeappsText, std::string_view mimeType);

// mimeapps.list with `desktopId` as the default for every type given; every
// other line (other defaults, other groups, comments) stays as it was.
std::string WithDefaultApplication(std::string_view mimeappsText, std::string_view desktopId,
                                   const std::array<std::string_view, 2>& mimeTypes = AssociationMimeTypes);

// True when our entry is the default for every ZIP type and its Exec line
// starts this very program (paths compared without regard to case).
bool IsAssociationOurs(std::string_view mimeappsText, std::string_view desktopText, std::string_view programPath);

// Where the user's files live: $XDG_DATA_HOME and $XDG_CONFIG_HOME when they
// are absolute paths, otherwise ~/.local/share and ~/.config.
struct TXdgFolders {
    std::string DataHome;
    std::string ConfigHome;

    std::string DesktopEntryPath() const;  // DataHome/applications/valbrix.desktop
    std::string MimeappsPath() const;      // ConfigHome/mimeapps.list
};
TXdgFolders UserXdgFolders();

// Reads both files and applies IsAssociationOurs.
bool AssociationIsOurs(const TXdgFolders& folders, std::string_view programPath);

// Which of the two writes of an association succeeded.
struct TAssociationResult {
    bool DesktopEntryWritten = false;
    bool DefaultWritten = false;
    // The errno value why an existing mimeapps.list could not be read (and
    // so was not touched), or 0.
    int MimeappsReadError = 0;
    bool Succeeded() const { return DesktopEntryWritten && DefaultWritten; }
};
// Writes the desktop entry and the defaults, each on its own (a failure of
// one does not stop the other), creating the folders that are missing. The
// defaults are not written when mimeapps.list exists but cannot be read.
TAssociationResult WriteAssociation(const TXdgFolders& folders, std::string_view programPath);

}  // namespace valbrix::platform
