// valbrix-cli's passwords; see the header. The line is read into memory
// that is wiped afterwards, never into a string that could leave copies.
#include "cli/Password.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include <openssl/crypto.h>

#include "cli/Messages.h"
#include "cli/NameText.h"
#include "platform/ErrorText.h"
#include "platform/FileServices.h"
#include "platform/Terminal.h"

namespace valbrix::cli {

namespace {

// Longest password line taken; a longer one is refused rather than cut.
constexpr size_t MaxPasswordBytes = 4096;

// Wipes the line buffer however the reading ends.
struct TLineBuffer {
    char Bytes[MaxPasswordBytes];
    ~TLineBuffer() { OPENSSL_cleanse(Bytes, sizeof Bytes); }
};

}  // namespace

std::unique_ptr<TCliPasswordProvider> TCliPasswordProvider::FromFile(const std::string& path)
{
    const bool fromStdin = path == "-";
    if (fromStdin && platform::StdinIsTerminal())
        return FromTerminal();  // a person types it: asked without echo, as without the option
    const std::string shown = fromStdin ? "standard input" : "password file '" + EscapedName(path) + "'";
    if (!fromStdin && platform::IsFolder(path)) {
        PrintError(shown + " cannot be read: " + platform::ErrorText(EISDIR));
        return nullptr;
    }
    std::FILE* file = fromStdin ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) {
        PrintError(shown + " cannot be read: " + platform::ErrorText(errno));
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);  // no stdio buffer keeps a copy
    TLineBuffer line;
    size_t length = 0;
    bool tooLong = false;
    for (int c; (c = std::fgetc(file)) != EOF && c != '\n';) {
        if (length == sizeof line.Bytes) {
            tooLong = true;
            break;
        }
        line.Bytes[length++] = char(c);
    }
    const int readError = std::ferror(file) ? errno : 0;
    if (!fromStdin)
        std::fclose(file);
    if (length > 0 && line.Bytes[length - 1] == '\r')
        --length;
    // An empty line is far likelier a mistake (a file not yet written) than an empty password.
    std::string problem;
    if (readError != 0)
        problem = platform::ErrorText(readError);
    else if (tooLong)
        problem = "its first line is too long";
    else if (length == 0)
        problem = "its first line is empty";
    if (!problem.empty()) {
        PrintError(shown + " cannot be used: " + problem);
        return nullptr;
    }
    auto provider = std::make_unique<TCliPasswordProvider>();
    provider->FFilePassword.emplace();
    provider->FFilePassword->Assign(reinterpret_cast<const uint8_t*>(line.Bytes), length);
    return provider;
}

std::unique_ptr<TCliPasswordProvider> TCliPasswordProvider::FromTerminal()
{
    return platform::StdinIsTerminal() ? std::make_unique<TCliPasswordProvider>() : nullptr;
}

void TCliPasswordProvider::SetEntryName(const std::string& name)
{
    FEntryName = name;
    FTriesLeft = PromptTries;
}

TPasswordAnswer TCliPasswordProvider::AskPassword(bool wrongBefore, TSecret& password)
{
    if (FFilePassword) {
        // The file has one password: once it did not fit, there is nothing else to try.
        if (wrongBefore)
            return paNoOther;
        password.Assign(FFilePassword->Data(), FFilePassword->Size());
        return paGiven;
    }
    if (wrongBefore)
        PrintError("wrong password");
    if (FTriesLeft <= 0)
        return paNoOther;
    --FTriesLeft;
    const std::string prompt = "Password for " + EscapedName(FEntryName) + ": ";
    TLineBuffer line;
    const long length = platform::ReadLineWithoutEcho(prompt.c_str(), line.Bytes, sizeof line.Bytes);
    if (length < 0)
        return paCancelled;
    password.Assign(reinterpret_cast<const uint8_t*>(line.Bytes), size_t(length));
    return paGiven;
}

}  // namespace valbrix::cli
