// Where valbrix-cli takes a password from: the first line of a file named
// by --password-file, else a prompt without echo when standard input is a
// terminal, else nowhere (encrypted entries then fail as encrypted). Never
// from the command line, where every user can read it in the process list.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/crypto/PasswordProvider.h"

namespace valbrix::cli {

class TCliPasswordProvider : public TPasswordProvider {
public:
    // Reads the file's first line now ("-": standard input, or the prompt
    // when that is a terminal); null with a line on stderr when it cannot be
    // read, is a folder, or its first line is empty or too long.
    static std::unique_ptr<TCliPasswordProvider> FromFile(const std::string& path);
    // Null when standard input is no terminal.
    static std::unique_ptr<TCliPasswordProvider> FromTerminal();

    // The entry the next question is about, named in the prompt.
    void SetEntryName(const std::string& name);
    TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) override;

private:
    // Tries a person at the terminal gets per entry before it fails as a wrong password.
    static constexpr int PromptTries = 3;
    std::optional<TSecret> FFilePassword;  // none: ask at the terminal
    std::string FEntryName;
    int FTriesLeft = PromptTries;
};

}  // namespace valbrix::cli
