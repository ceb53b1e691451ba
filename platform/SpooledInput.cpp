// Standard input spooled to a temporary file; see the header.
#include "platform/SpooledInput.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace valbrix::platform {

namespace {

std::string TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// O_TMPFILE where the file system has it; else a named file removed at once.
int CreateUnnamed(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    std::string name = folder + "/valbrix-stdin-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

bool CopyAll(int from, int to)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                return false;
            done += put > 0 ? put : 0;
        }
    }
}

}  // namespace

TSpooledInput::~TSpooledInput()
{
    if (FFd >= 0)
        ::close(FFd);
}

int TSpooledInput::Spool()
{
    FFd = CreateUnnamed(TempFolder());
    if (FFd < 0)
        return errno;
    if (!CopyAll(STDIN_FILENO, FFd))
        return errno != 0 ? errno : EIO;
    FPath = "/proc/self/fd/" + std::to_string(FFd);
    return 0;
}

}  // namespace valbrix::platform
