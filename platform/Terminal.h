// The terminal on standard input, for valbrix-cli's password prompt: whether
// there is one, and one line read from it with the echo switched off (and
// switched on again whatever happens), so nobody reads the password over the
// user's shoulder or in the terminal's scrollback.
#pragma once

#include <cstddef>

namespace valbrix::platform {

bool StdinIsTerminal();
// Whether standard error is a terminal, where progress may be drawn.
bool StderrIsTerminal();

// Writes the prompt to the terminal (standard error), reads one line into
// buffer without its line end, and returns its length; -1 at the end of
// input, an error, or a line longer than capacity (its bytes are wiped).
// The echo is switched on again on every way out, a signal included: one
// that arrives while the prompt waits is raised again after that.
long ReadLineWithoutEcho(const char* prompt, char* buffer, size_t capacity);

}  // namespace valbrix::platform
