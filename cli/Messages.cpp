// stderr lines; see the header.
#include "cli/Messages.h"

#include <cerrno>
#include <cstdio>

#include "cli/NameText.h"
#include "engine/ResultCodes.h"
#include "engine/codecs/Methods.h"
#include "platform/ErrorText.h"

namespace valbrix::cli {

void PrintError(const std::string& text)
{
    // One write per line: lines from two processes sharing a log do not interleave mid-line.
    const std::string line = "valbrix-cli: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void PrintEntryError(const std::string& entryName, const std::string& reason)
{
    PrintError(EscapedName(entryName) + ": " + reason);
}

std::string ResultText(int code, const TZipEntry& entry, int systemError)
{
    switch (code) {
    case erBusy: return "engine busy";
    case erCrc: return "CRC mismatch";
    case erOutput:
        if (systemError == ELOOP)  // the engine's refusal, not the system's "too many levels"
            return "refused, the path passes through a symbolic link";
        if (systemError == EOPNOTSUPP)
            return "cannot make the link: the file system has no symbolic links";
        return systemError != 0 ? "cannot write the file: " + platform::ErrorText(systemError)
                                : "cannot write the file";
    case erRead: return "the archive cannot be read or its data ends early";
    case erFormat: return "damaged data (bad local header or compressed data)";
    case erAborted: return "interrupted";
    case erUnsupported: {
        const uint16_t method = EntryMethod(entry);
        return "unsupported method " + MethodName(method) + " (" + std::to_string(method) + ")";
    }
    case erMemoryLimit: return "dictionary or window over 256 MB";
    case erEncrypted: return "encrypted, and no password was given (use --password-file FILE)";
    case erWrongPassword: return "wrong password or damaged data";
    case erEncryptionUnsupported: return "encryption method not supported";
    case erNameRefused: return "refused, the name leaves the target folder or names nothing";
    case erLinkOutside: return "refused, the link points out of the target folder";
    case erLinkInvalid: return "refused, the link's target is empty, too long or holds a zero byte";
    default: return "unknown failure (" + std::to_string(code) + ")";
    }
}

std::string Counted(uint64_t count, const char* singular, const char* plural)
{
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace valbrix::cli
