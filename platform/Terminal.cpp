// The password prompt's terminal handling; see the header. The echo comes
// back on through an object's destructor, so an early return cannot leave
// the user's terminal silent; a signal that would end the process while
// the prompt waits (Ctrl+C, SIGTERM, a closed terminal) only breaks the
// read, and is raised again once the echo is back on, for whatever handler
// stood before the prompt.
#include "platform/Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string.h>
#include <poll.h>
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

// The signal that broke the prompt's read; 0 while none did. A handler can
// reach nothing else.
volatile std::sig_atomic_t CaughtSignal = 0;

void NoteSignal(int signal)
{
    CaughtSignal = signal;
}

// Routes the signals that end a process to NoteSignal while it lives,
// without SA_RESTART, so the blocked read returns; the old handlers come
// back in the destructor.
class TPromptSignals {
public:
    TPromptSignals()
    {
        CaughtSignal = 0;
        struct sigaction noting {};
        noting.sa_handler = NoteSignal;
        sigemptyset(&noting.sa_mask);
        for (size_t i = 0; i < Count; ++i)
            sigaction(Signals[i], &noting, &FOld[i]);
    }
    ~TPromptSignals()
    {
        for (size_t i = 0; i < Count; ++i)
            sigaction(Signals[i], &FOld[i], nullptr);
    }
    TPromptSignals(const TPromptSignals&) = delete;
    TPromptSignals& operator=(const TPromptSignals&) = delete;

private:
    static constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    static constexpr size_t Count = sizeof Signals / sizeof Signals[0];
    struct sigaction FOld[Count] {};
};

long ReadLineQuietly(const char* prompt, char* buffer, size_t capacity)
{
    // Echo off before the prompt shows: whatever is typed once it shows must not appear.
    const TEchoOff echoOff;
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    // Byte by byte from the descriptor: stdio would keep a copy in its own buffer.
    size_t length = 0;
    for (;;) {
        // The signal may reach another thread and leave this read blocked: look every tenth of a second.
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, 100);
        if (CaughtSignal != 0 || (ready < 0 && errno != EINTR)) {
            explicit_bzero(buffer, capacity);
            return -1;
        }
        if (ready <= 0)
            continue;
        char byte = 0;
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
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

}  // namespace

bool StdinIsTerminal()
{
    return isatty(STDIN_FILENO) == 1;
}

bool StderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

long ReadLineWithoutEcho(const char* prompt, char* buffer, size_t capacity)
{
    long length = -1;
    {
        const TPromptSignals signals;
        length = ReadLineQuietly(prompt, buffer, capacity);
    }
    // The echo is back and the old handlers too: the signal now does what it would have done.
    if (const int signal = CaughtSignal; signal != 0)
        std::raise(signal);
    return length;
}

}  // namespace valbrix::platform
