// Folder creation along an output name and the pending output file.
#include "OutputFile.h"

#include <cstring>

#include "ZipFormat.h"

namespace valbrix {

bool CreateFoldersAlong(const std::string& name)
{
    const size_t stop = name.rfind('/');
    if (stop == std::string::npos)
        return true;
    size_t pos = 0;
    if (name[0] == '/') {
        if (platform::ChangeDirectory("/") != 0)
            return false;
        pos = 1;
    }
    while (pos <= stop) {
        const size_t end = name.find('/', pos);  // never npos: name[stop] is '/'
        if (end > pos) {                         // "a//b": no empty folder names
            const std::string folder = name.substr(pos, end - pos);
            if (platform::ChangeDirectory(folder) != 0 &&
                (platform::CreateFolder(folder) != 0 || platform::ChangeDirectory(folder) != 0))
                return false;
        }
        pos = end + 1;
    }
    return true;
}

int TPendingOutput::Create(const std::string& target)
{
    FTarget = target;
    return FFile.CreateTempBeside(target);
}

// Small pieces (the shrink decoder flushes every 767 bytes) are gathered so
// that each costs a copy, not a system call; a failed write of the gathered
// bytes shows at the next write or at Close.
bool TPendingOutput::Write(const uint8_t* data, size_t count)
{
    // A whole window or more goes out in one call: gathering it would only add a copy.
    if (FBuffered == 0 && count >= WindowSize)
        return FFile.WriteAll(data, count);
    if (FBuffered + count > BufferSize) {
        if (!FlushBuffer())
            return false;
        if (count >= BufferSize)
            return FFile.WriteAll(data, count);
    }
    std::memcpy(FBuffer.get() + FBuffered, data, count);
    FBuffered += count;
    return true;
}

bool TPendingOutput::Close()
{
    const bool flushed = FlushBuffer();
    return FFile.Close() == 0 && flushed;
}

bool TPendingOutput::Commit(uint32_t dosDateTime, uint16_t attributes)
{
    // Failures ignored, as a time is no data.
    platform::SetLastWriteTime(FFile.Path(), DecodeDosDateTime(dosDateTime));
    platform::SetFileAttributes(FFile.Path(), attributes);
    if (!platform::RenameFile(FFile.Path(), FTarget))
        return false;
    FCommitted = true;
    return true;
}

bool TPendingOutput::FlushBuffer()
{
    const bool written = FBuffered == 0 || FFile.WriteAll(FBuffer.get(), FBuffered);
    FBuffered = 0;
    return written;
}

void TPendingOutput::Discard()
{
    FFile.Close();
    if (!FCommitted && !FFile.Path().empty())
        platform::RemoveFile(FFile.Path());
}

}  // namespace valbrix
