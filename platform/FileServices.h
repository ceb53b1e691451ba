// File services of the extraction side, standing in for the Windows calls
// the driver was written against: open/read/write/seek on descriptors, the
// current directory and folder creation, the temporary file beside a target,
// rename and remove, MS-DOS file times (local time) and MS-DOS attributes.
// No state beyond the descriptor a TFile holds. Every operation reports
// failure by its result (an errno value or false) and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace valbrix::platform {

// An open file descriptor, closed when the object goes.
class TFile {
public:
    TFile() = default;
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Each returns 0 or the errno value of the failure.
    int OpenRead(const std::string& path);
    // Creates a new, empty file with a unique name in the folder of `target`
    // (the folder must exist), with the permissions an ordinary new file gets.
    int CreateTempBeside(const std::string& target);
    int Close();

    // Bytes delivered (fewer only at the end of the file), or -1 on an I/O error.
    long Read(void* buffer, size_t count);
    bool WriteAll(const void* data, size_t count);
    bool Seek(uint64_t position);

    bool IsOpen() const { return FFd >= 0; }
    // The name given to OpenRead, or the name CreateTempBeside chose.
    const std::string& Path() const { return FPath; }

private:
    int FFd = -1;
    std::string FPath;
};

// The current directory, or an empty string when it cannot be named.
std::string CurrentDirectory();
// 0 or the errno value.
int ChangeDirectory(const std::string& path);
int CreateFolder(const std::string& path);

bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// Sets the last-write time from an MS-DOS date (high 16 bits) and time (low
// 16 bits) read as local time; the access time stays. False for a date or
// time that does not exist, or when the file system refuses.
bool SetFileTimeFromDos(const std::string& path, uint32_t dosDateTime);

// Applies MS-DOS attributes: read-only (0x01) clears every write bit; without
// it the owner may write again. Hidden, system, archive and folder bits have
// no meaning here.
bool SetFileAttributes(const std::string& path, uint16_t attributes);

}  // namespace valbrix::platform
