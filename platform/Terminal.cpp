// The password prompt's terminal handling; see the header. The echo comes
// back on through an object's destructor, so an early return cannot leave
// the user's terminal silent.
#include "platform/Terminal.h"

#include <cstdio>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace valbrix::platform {

namespace {

class TEchoOff {
public:
    TEchoOff()
    {
        FActive = tcgetattr(STDIN_FILENO, &FSaved) == 0;
        if (!FActive)
            return;
        termios quiet = FSaved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~TEchoOff()
    {
        if (FActive)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &FSaved);
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    termios FSaved{};
    bool FActive = false;
};

}  // namespace

bool StdinIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

long ReadLineWithoutEcho(const char* prompt, char* buffer, size_t capacity)
{
    // Echo off before the prompt shows: whatever is typed once it shows must not appear.
    const TEchoOff echoOff;
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    // Byte by byte from the descriptor: stdio would keep a copy in its own buffer.
    size_t length = 0;
    for (;;) {
        char byte = 0;
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n <= 0 && length == 0)
            return -1;
        if (n <= 0 || byte == '\n')
            break;
        if (length == capacity) {
            explicit_bzero(buffer, capacity);
            return -1;
        }
        buffer[length++] = byte;
    }
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    return long(length);
}

}  // namespace valbrix::platform
