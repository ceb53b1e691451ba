// File services of the engine, standing in for the Windows calls it was
// written against: open/read/write/seek on descriptors, positioned reads,
// file identity and size, the current directory and folder creation, the
// temporary file beside a target, rename and remove, file times (local
// time) and MS-DOS attributes. No state beyond the descriptor a TFile holds.
// Every operation reports failure by its result (an errno value or false)
// and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
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
    // Creates a new, empty file with a unique name in the folder of `target`
    // (the folder must exist), with the permissions an ordinary new file gets.
    int CreateTempBeside(const std::string& target);
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
    // The name given to OpenRead, or the name CreateTempBeside chose.
    const std::string& Path() const { return FPath; }

private:
    int FFd = -1;
    std::string FPath;
};

// The identity of the file at `path` (links followed); false when there is none.
bool FileIdentity(const std::string& path, TFileIdentity& identity);
// True when `path` names a folder (links followed).
bool IsFolder(const std::string& path);
// The size of the file at `path`, or -1 when it is missing or a folder.
int64_t FileSize(const std::string& path);

// The current directory, or an empty string when it cannot be named.
std::string CurrentDirectory();
// 0 or the errno value.
int ChangeDirectory(const std::string& path);
int CreateFolder(const std::string& path);

bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Sets the last-write time, read as local time; the access time stays.
// False for a date or time that does not exist, or when the file system refuses.
bool SetLastWriteTime(const std::string& path, const TLocalTime& time);

// Applies MS-DOS attributes: read-only (0x01) clears every write bit; without
// it the owner may write again. Hidden, system, archive and folder bits have
// no meaning here.
bool SetFileAttributes(const std::string& path, uint16_t attributes);

}  // namespace valbrix::platform
