// The commands of valbrix-cli. Each takes the arguments after the command
// word and returns the process exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace valbrix {
class TZipArchive;
}

namespace valbrix::cli {

// Exit statuses shared by every command.
constexpr int ExitOk = 0;
constexpr int ExitEntryFailed = 1;
constexpr int ExitCannotOpen = 2;
constexpr int ExitUsage = 2;  // the command line does not fit; scripts already take 2 for it
constexpr int ExitInterrupted = 130;  // as a shell reports a command ended by Ctrl+C (SIGTERM too)

// One line on stderr: the archive's directory is damaged and only its
// entries read could be, or it was lost and the entries were recovered
// from the local headers.
void WarnDamagedDirectory(const std::string& archive, const TZipArchive& opened);
// One line on stderr when a part of a split set is missing or the parts
// disagree ("part spl.z03 is missing"); false when there was nothing to say.
bool WarnSetProblem(const std::string& archive, const TZipArchive& opened);

int RunListCommand(const std::vector<std::string>& args);
int RunExtractCommand(const std::vector<std::string>& args);
int RunTestCommand(const std::vector<std::string>& args);
int RunCommentCommand(const std::vector<std::string>& args);

}  // namespace valbrix::cli
