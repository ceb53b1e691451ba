// Folder creation along an output name and the pending output file, both
// relative to a folder handle.
#include "engine/extract/OutputFile.h"

#include <cerrno>
#include <cstring>


namespace valbrix {

int CreateFoldersAlong(const platform::TFolder& base, const std::string& relative, std::vector<std::string>* made)
{
    const size_t stop = relative.rfind('/');
    if (stop == std::string::npos)
        return 0;
    for (size_t end = relative.find('/'); end <= stop; end = relative.find('/', end + 1)) {
        if (end == 0 || relative[end - 1] == '/')
            continue;  // "a//b": no empty folder names
        const int error = platform::CreateFolderAt(base, relative.substr(0, end));
        if (error != 0 && error != EEXIST)
            return error;
        if (error == 0 && made)
            made->push_back(relative.substr(0, end));
    }
    return 0;
}

int TPendingOutput::Create(const platform::TFolder& base, const std::string& target, platform::TFileMode mode,
                           platform::TFileMode umask)
{
    FBase = &base;
    FTarget = target;
    FMode = mode;
    FError = 0;
    FReplaced = false;
    const size_t slash = target.rfind('/');
    const int error = FFile.CreateUnnamedIn(base, slash == std::string::npos ? std::string() : target.substr(0, slash),
                                            mode);
    if (error == 0) {
        FUnnamed = true;
        FSetMode = (mode & umask) != 0;  // creation dropped the bits the umask holds
        return 0;
    }
    // EPERM is also what an unnamed file in a removed folder gets; the named
    // fallback tells that (ENOENT) from a folder that refuses files.
    if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL && error != EPERM)
        return FError = error;
    // mkstemp makes the file private (0600); the mode comes at Finish.
    FUnnamed = false;
    FSetMode = true;
    return FError = FFile.CreateTempBeside(base, target);
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

bool TLinkTargetSink::Write(const uint8_t* data, size_t count)
{
    if (count > MaxBytes - FTarget.size()) {
        FTooLong = true;
        return false;
    }
    FTarget.append(reinterpret_cast<const char*>(data), count);
    return true;
}

bool TPendingOutput::Finish(std::optional<TExactTime> lastWrite)
{
    const bool flushed = FlushBuffer();
    // After the last write, which would move the time again. Failures are
    // ignored, as a time or mode is no data.
    if (lastWrite)
        FFile.SetLastWriteTime(lastWrite->Seconds, lastWrite->Nanoseconds);
    if (FSetMode)
        FFile.SetMode(FMode);
    FBuffer.reset();  // a file held until its turn needs no buffer meanwhile
    if (FUnnamed)
        return flushed;
    const int closeError = FFile.Close();
    return closeError == 0 ? flushed : Failed(closeError);
}

bool TPendingOutput::Commit(platform::TLinkWay& linkWay)
{
    if (!FUnnamed) {
        // The rare named fallback asks first; the unnamed way learns it from the link.
        platform::TNodeFacts facts;
        FReplaced = platform::NodeFactsAt(*FBase, FTarget, facts);
    }
    FCommitted = FUnnamed ? CommitUnnamed(linkWay) : platform::RenameAt(*FBase, FFile.Path(), FTarget);
    return FCommitted || Failed(errno);
}

bool TPendingOutput::WriteOut(const uint8_t* data, size_t count)
{
    if (FLimit) {
        if (const int error = FLimit->Take(FTarget, count); error != 0)
            return Failed(error);
    }
    errno = 0;
    // A write that takes nothing and says nothing: no room.
    return FFile.WriteAll(data, count) || Failed(errno != 0 ? errno : ENOSPC);
}

// One link puts a new file in place. An existing target is replaced by a
// link under a temporary name and a rename over it, so the old file stays
// whole until the new one takes its place.
bool TPendingOutput::CommitUnnamed(platform::TLinkWay& linkWay)
{
    int error = FFile.LinkAs(*FBase, FTarget, linkWay);
    if (error == EEXIST) {
        FReplaced = true;
        std::string beside;
        error = FFile.LinkBeside(*FBase, FTarget, linkWay, beside);
        if (error == 0 && !platform::RenameAt(*FBase, beside, FTarget)) {
            error = errno;
            platform::RemoveAt(*FBase, beside);
        }
    }
    // The data is in place; a close cannot fail it any more on a local file system.
    FFile.Close();
    return error == 0 || Failed(error);
}

bool TPendingOutput::FlushBuffer()
{
    const bool written = FBuffered == 0 || WriteOut(FBuffer.get(), FBuffered);
    FBuffered = 0;
    return written;
}

// Keeps the first failure's errno (a short write that set none counts as
// an I/O error); always false, so a failing step can return it.
bool TPendingOutput::Failed(int error)
{
    if (FError == 0)
        FError = error != 0 ? error : EIO;
    return false;
}

void TPendingOutput::Discard()
{
    FFile.Close();
    if (!FCommitted && !FUnnamed && !FFile.Path().empty())
        platform::RemoveAt(*FBase, FFile.Path());
}

}  // namespace valbrix
