// The private folders into which the window extracts an entry to open it
// with another program or to offer it to a drag: one session folder per
// process below the temporary folder, named "valbrix-<pid>-<start>-XXXXXX"
// (the process id and its start time, so a later process that got the same
// id is not taken for the owner), and inside it one folder per use. Every
// level is made by mkdtemp (mode 0700, never a name somebody prepared).
// The owner removes them all when asked and when it goes; what a crashed
// run left behind is removed at the next start by RemoveStalePrivateFolders,
// which touches only folders of that name that belong to the user and
// whose process is gone. Failures are results, never thrown.
#pragma once

#include <string>

namespace valbrix::platform {

class TPrivateFolders {
public:
    // baseFolder: where the session folder is made (the temporary folder).
    explicit TPrivateFolders(std::string baseFolder);
    ~TPrivateFolders();
    TPrivateFolders(const TPrivateFolders&) = delete;
    TPrivateFolders& operator=(const TPrivateFolders&) = delete;

    // A new empty folder of this process (made with the session folder on
    // first use); its path without a trailing '/', or empty with errno set.
    std::string Create();
    // Removes one folder that Create made, with everything in it.
    void Remove(const std::string& folder);
    // Removes the session folder with every folder made so far.
    void RemoveAll();
    // True when path lies inside the session folder (spelled as Create spells it).
    bool Contains(const std::string& path) const;
    const std::string& SessionFolder() const { return FSession; }

private:
    std::string FBase;
    std::string FSession;  // empty until the first Create, and after RemoveAll
};

// The start of this process's session folder name: "valbrix-<pid>-<start>-".
std::string PrivateFolderPrefix();

// Removes below baseFolder every session folder left by a process of this
// user that has ended; folders of running processes (another instance),
// of other users, symbolic links and other names stay. Returns how many
// were removed.
int RemoveStalePrivateFolders(const std::string& baseFolder);

}  // namespace valbrix::platform
