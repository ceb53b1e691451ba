// File services of the engine, standing in for the Windows calls it was
// written against: open/read/write/seek on descriptors, positioned reads,
// file identity and size, folders held open by a
// handle with files and folders made relative to them, the temporary file
// beside a target, rename and remove, symbolic links, file times (local
// time or exact) and modes. No state beyond the descriptor a TFile or
// TFolder holds.
// Every operation reports failure by its result (an errno value or false)
// and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace valbrix::platform {

// A broken-down local time, as file dates are stored in archives.
struct TLocalTime {
    int Year = 1980;
    int Month = 1;   // 1..12
    int Day = 1;     // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// What tells one file from another at the same path: a file replaced or
// rewritten under the same name gets a different identity.
struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    uint64_t Bytes = 0;
    int64_t ModifiedNs = 0;  // last modification, nanoseconds since the epoch
    bool operator==(const TFileIdentity&) const = default;
};

// Longest path the platform takes, in bytes, without the terminating zero.
constexpr size_t MaxPathBytes = 4095;  // PATH_MAX - 1 on Linux

// Permission bits as the platform keeps them (the POSIX mode bits).
using TFileMode = uint32_t;

// The process's file-creation mask, read without changing it (safe while
// other threads create files); 077 when the system cannot tell.
TFileMode ReadUmask();
// The mode a new file with these MS-DOS attributes gets under `umask`: that
// of an ordinary new file (0666 less the mask), with every write bit cleared
// for read-only (0x01) and the owner's write bit set otherwise. Hidden,
// system, archive and folder bits have no meaning here.
TFileMode ModeForAttributes(uint16_t attributes, TFileMode umask);

// How an unnamed file gets its name: by its descriptor (AT_EMPTY_PATH, the
// cheaper call, which needs the privilege to read any file) or through its
// /proc/self/fd entry (needs /proc).
enum TLinkWay { lwUntried, lwEmptyPath, lwProcFd };

// A folder held by a handle (O_PATH): names below it are resolved from the
// handle, so they mean the same folder wherever the process's current
// directory is and whatever happens to the path it was opened by. Folder
// links below it are followed, as a path would follow them.
class TFolder {
public:
    TFolder() = default;
    ~TFolder();
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;

    // 0 or the errno value; ENOTDIR when `path` is no folder.
    int Open(const std::string& path);
    // Opens the folder `relative` below `base` without following a link on
    // the way, its last component included: ELOOP when one is a link (or
    // ".." would climb above `base`), ENOENT when one is missing, ENOTDIR
    // when one is a file. One call where the kernel resolves beneath a
    // folder itself (openat2), one per component elsewhere.
    int OpenBeneath(const TFolder& base, const std::string& relative);
    // Opens the folder `relative` below `base`, following links as a path would.
    int OpenAt(const TFolder& base, const std::string& relative);
    void Close();
    bool IsOpen() const { return FFd >= 0; }
    // The handle, for the file services below; relative names start here.
    int Handle() const { return FFd; }
    // Different for every Open in the process: what a handle meant can be
    // told from what a later handle with the same number means.
    uint64_t Serial() const { return FSerial; }
    bool Identity(TFileIdentity& identity) const;

private:
    int OpenFrom(int folderFd, const std::string& path);

    int FFd = -1;
    uint64_t FSerial = 0;
};

// Creates the folder `relative` below `base` (its parents must exist);
// 0 or the errno value (EEXIST when something stands there).
int CreateFolderAt(const TFolder& base, const std::string& relative);
// What stands at `relative` below `base`, the last component's link not
// followed (a link is what a new file would replace). False when nothing does.
struct TNodeFacts {
    bool IsFolder = false;
    uint64_t Bytes = 0;
    int64_t ModifiedSeconds = 0;  // last modification, seconds since the epoch
};
bool NodeFactsAt(const TFolder& base, const std::string& relative, TNodeFacts& facts);
bool RenameAt(const TFolder& base, const std::string& from, const std::string& to);
bool RemoveAt(const TFolder& base, const std::string& relative);
// Removes the folder `relative` below `base` only when it is empty.
bool RemoveEmptyFolderAt(const TFolder& base, const std::string& relative);
// Makes the symbolic link `name` in `folder` pointing at `target`. What
// stands under that name (a file or a link, never followed) is replaced
// through a link made beside it and renamed over it, and `replaced` says
// so. 0 or the errno value (EPERM where the file system has no links).
int CreateLinkAt(const TFolder& folder, const std::string& name, const std::string& target, bool& replaced);
// Sets the last-write time of the link `name` in `folder` itself, not of
// what it points at; the access time stays.
bool SetLinkTimeAt(const TFolder& folder, const std::string& name, int64_t seconds, uint32_t nanoseconds);
// Gives the folder `relative` below `base` the permission bits `mode`,
// following no link on the way; false when it cannot.
bool SetFolderModeBeneath(const TFolder& base, const std::string& relative, TFileMode mode);

// An open file descriptor, closed when the object goes.
class TFile {
public:
    TFile() = default;
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Each returns 0 or the errno value of the failure.
    int OpenRead(const std::string& path);
    // Like OpenRead, but only a regular file: a folder, pipe or device is
    // refused (EISDIR, ENODEV), since a pipe would block and a device may
    // never end. The open itself never blocks.
    int OpenRegularRead(const std::string& path);
    // The names below are relative to `base`.
    // Creates a new, empty file without a name in the folder `folder` ("" is
    // `base` itself), with `mode` less the umask; LinkAs gives it one, and
    // unless it does, the file vanishes with its descriptor (a killed process
    // leaves nothing). Fails with EOPNOTSUPP, EISDIR or EINVAL where the file
    // system or kernel cannot make such files, with ENOENT when the folder is missing.
    int CreateUnnamedIn(const TFolder& base, const std::string& folder, TFileMode mode);
    // Creates a new, empty, private (0600) file with a unique name in the
    // folder of `target` (the folder must exist); Path() gives that name.
    int CreateTempBeside(const TFolder& base, const std::string& target);
    // The same for a path (relative to the current directory).
    int CreateTempBeside(const std::string& target);
    // Gives the file made by CreateUnnamedIn the name `path`; EEXIST when
    // something stands there already. `way` starts as lwUntried and learns
    // which call the process may use, so later links go straight to it.
    int LinkAs(const TFolder& base, const std::string& path, TLinkWay& way);
    // LinkAs under a fresh unique name in the folder of `target`, returned in `chosenPath`.
    int LinkBeside(const TFolder& base, const std::string& target, TLinkWay& way, std::string& chosenPath);
    bool SetMode(TFileMode mode);
    // Flushes the file's data to the disk; 0 or the errno value.
    int Sync();
    // Sets the last-write time in seconds since the epoch; the access time stays.
    bool SetLastWriteTime(int64_t seconds, uint32_t nanoseconds = 0);
    int Close();

    // Bytes delivered (fewer only at the end of the file), or -1 on an I/O error.
    long Read(void* buffer, size_t count);
    bool WriteAll(const void* data, size_t count);
    bool Seek(uint64_t position);
    // Reads at a position without moving the file offset; like Read otherwise.
    long ReadAt(uint64_t position, void* buffer, size_t count);
    // The open file's identity; false when it cannot be taken.
    bool Identity(TFileIdentity& identity) const;

    bool IsOpen() const { return FFd >= 0; }
    // The name given to OpenRead, the name CreateTempBeside chose (relative
    // to its base), or empty for an unnamed file.
    const std::string& Path() const { return FPath; }

private:
    int CreateTempIn(int folderFd, const std::string& target);

    int FFd = -1;
    std::string FPath;
};

// The local time as seconds since the epoch, daylight saving time as the C
// library resolves it; none for a date or time that does not exist.
std::optional<int64_t> LocalTimeToSeconds(const TLocalTime& time);

// The identity of the file at `path` (links followed); false when there is none.
bool FileIdentity(const std::string& path, TFileIdentity& identity);
// True when `path` names a folder (links followed).
bool IsFolder(const std::string& path);
// The size of the file at `path`, or -1 when it is missing or a folder.
int64_t FileSize(const std::string& path);

// True when something exists at `path` (links followed).
bool PathExists(const std::string& path);
// True when the process may write the file at `path`.
bool IsWritable(const std::string& path);
// Gives the file's owner the write permission back (like clearing a
// read-only attribute); false when the mode cannot be changed.
bool AddOwnerWrite(const std::string& path);
// The full path of the running program, or empty when /proc cannot say.
std::string RunningProgramPath();

// 0 or the errno value.
int CreateFolder(const std::string& path);

bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

}  // namespace valbrix::platform
