// Shared helpers of the engine and CLI tests: scratch folders, whole-file
// reads and writes, running the black-box ZIP tools that serve as oracles,
// and the location of the fixture archives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace valbrix::test {

using Bytes = std::vector<uint8_t>;

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);
Bytes ReadFile(const std::filesystem::path& path);
// Every file below `folder` with its contents; folders end in '/'.
std::map<std::string, std::string> FolderTree(const std::filesystem::path& folder);

struct CommandResult {
    int ExitCode = -1;
    std::string Output;  // stdout only
};
// Runs a shell command line; quote arguments with Quote().
CommandResult RunCommand(const std::string& commandLine);
std::string Quote(const std::string& text);
// True when the program is on the PATH (zip, unzip, 7zz, python3 ...).
bool HaveTool(const std::string& program);

// True when the CI variable is set to anything but empty, "0" or "false".
bool RunningUnderCi();

// The fixture folder, or an empty path when it is absent.
std::filesystem::path FixturesDir();

// Deterministic test data: text-like (compressible) and binary-like (noise).
Bytes TextLikeData(size_t size, uint32_t seed = 1);
Bytes RandomData(size_t size, uint32_t seed = 1);

// The ZIP format's CRC-32, computed the slow obvious way as a control.
uint32_t ReferenceCrc32(const Bytes& bytes);

}  // namespace valbrix::test

// Skips the current test with a message on a developer's run; under CI
// (CI set and not "false") fails it instead, since a check that skips
// there can never fail.
#define SKIP_UNLESS_CI(message)                                                    \
    do {                                                                           \
        if (::valbrix::test::RunningUnderCi())                                     \
            FAIL() << message << " (CI must run every case)";                      \
        GTEST_SKIP() << message << "; case skipped";                               \
    } while (0)
// Skips (or, under CI, fails) the current test when a tool is missing.
#define REQUIRE_TOOL(program)                                                      \
    do {                                                                           \
        if (!::valbrix::test::HaveTool(program))                                   \
            SKIP_UNLESS_CI((program) << " is not installed");                      \
    } while (0)
// Skips the current test, with a message, when the fixture folder is
// absent, under CI too: the fixtures live beside the checkout, not in it, and
// a clone placed elsewhere has none. The skip shows in the closing counts;
// .ci/run refuses to start without the folder.
#define REQUIRE_FIXTURES()                                                         \
    do {                                                                           \
        if (::valbrix::test::FixturesDir().empty())                                \
            GTEST_SKIP() << "fixture folder " VALBRIX_FIXTURES " is absent; case skipped"; \
    } while (0)
// For a comparison that is one part of a test: true when the tool is
// installed; a missing one is a failure under CI, and noted otherwise.
#define TOOL_PRESENT(program)                                                      \
    ([&] {                                                                         \
        if (::valbrix::test::HaveTool(program))                                    \
            return true;                                                           \
        if (::valbrix::test::RunningUnderCi())                                     \
            ADD_FAILURE() << (program) << " is not installed (CI must run every case)"; \
        else                                                                       \
            std::printf("%s is not installed; its comparison is skipped\n", std::string(program).c_str()); \
        return false;                                                              \
    }())
