// Folder creation along an output name and the pending output file.
#include "engine/extract/OutputFile.h"

#include <cerrno>
#include <cstring>


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

int TPendingOutput::Create(const std::string& target, platform::TFileMode mode, platform::TFileMode umask)
{
    FTarget = target;
    FMode = mode;
    const int error = FFile.CreateUnnamedIn(target.substr(0, target.rfind('/') + 1), mode);
    if (error == 0) {
        FUnnamed = true;
        FSetMode = (mode & umask) != 0;  // creation dropped the bits the umask holds
        return 0;
    }
    if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL)
        return error;
    // mkstemp makes the file private (0600); the mode comes at Finish.
    FUnnamed = false;
    FSetMode = true;
    return FFile.CreateTempBeside(target);
}

// Small pieces (the shrink decoder flushes every 767 bytes) are gathered so
// that each costs a copy, not a system call; a failed write of the gathered
// bytes shows at the next write or at Close.
bool TPendingOutput::Write(const uint8_t* data, size_t count)
{
    // A whole window or more goes out in one call: gathering it would only add a copy.
    if (FBuffered == 0 && count >= WindowSize)
        return WriteOut(data, count);
    if (FBuffered + count > BufferSize) {
        if (!FlushBuffer())
            return false;
        if (count >= BufferSize)
            return WriteOut(data, count);
    }
    std::memcpy(FBuffer.get() + FBuffered, data, count);
    FBuffered += count;
    return true;
}

bool TPendingOutput::Finish(std::optional<int64_t> lastWriteSeconds)
{
    const bool flushed = FlushBuffer();
    // After the last write, which would move the time again. Failures are
    // ignored, as a time or mode is no data.
    if (lastWriteSeconds)
        FFile.SetLastWriteTime(*lastWriteSeconds);
    if (FSetMode)
        FFile.SetMode(FMode);
    if (FUnnamed)
        return flushed;
    const int closeError = FFile.Close();
    Fail(closeError);
    return closeError == 0 && flushed;
}

bool TPendingOutput::Commit(platform::TLinkWay& linkWay)
{
    if (FUnnamed) {
        FCommitted = CommitUnnamed(linkWay);
    } else {
        FCommitted = platform::RenameFile(FFile.Path(), FTarget);
        if (!FCommitted)
            Fail(errno);
    }
    return FCommitted;
}

bool TPendingOutput::WriteOut(const uint8_t* data, size_t count)
{
    errno = 0;
    if (FFile.WriteAll(data, count))
        return true;
    Fail(errno != 0 ? errno : ENOSPC);  // a write that takes nothing and says nothing: no room
    return false;
}

void TPendingOutput::Fail(int error)
{
    if (FError == 0)
        FError = error;
}

// One link puts a new file in place. An existing target is replaced by a
// link under a temporary name and a rename over it, so the old file stays
// whole until the new one takes its place.
bool TPendingOutput::CommitUnnamed(platform::TLinkWay& linkWay)
{
    int error = FFile.LinkAs(FTarget, linkWay);
    if (error == EEXIST) {
        std::string beside;
        error = FFile.LinkBeside(FTarget, linkWay, beside);
        if (error == 0 && !platform::RenameFile(beside, FTarget)) {
            error = errno != 0 ? errno : EIO;
            platform::RemoveFile(beside);
        }
    }
    // The data is in place; a close cannot fail it any more on a local file system.
    FFile.Close();
    Fail(error);
    return error == 0;
}

bool TPendingOutput::FlushBuffer()
{
    const bool written = FBuffered == 0 || WriteOut(FBuffer.get(), FBuffered);
    FBuffered = 0;
    return written;
}

void TPendingOutput::Discard()
{
    FFile.Close();
    if (!FCommitted && !FUnnamed && !FFile.Path().empty())
        platform::RemoveFile(FFile.Path());
}

}  // namespace valbrix
