// What the program ships besides itself, checked with the tools of those who
// read it: the AppStream data, the manual pages and the desktop files as
// built, the Debian package under lintian, and the CI script's refusal to
// run without the fixture archives.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "platform/FileAssociation.h"

namespace fs = std::filesystem;
using valbrix::platform::DesktopGroupValue;
using valbrix::test::Quote;
using valbrix::test::RunCommand;
using valbrix::test::TempDir;

namespace {

const fs::path Source = VALBRIX_SOURCE_DIR;
const fs::path Papers = fs::path(VALBRIX_BINARY_DIR) / "papers";

std::string ReadText(const fs::path& path)
{
    const valbrix::test::Bytes bytes = valbrix::test::ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

struct TPaperCase {
    const char* Fault;
    const char* Tool;
    const char* Command;  // the file is appended; complaints go to stderr
    fs::path File;
};

// Each built paper under the tool that judges it: it must pass without a
// single complaint.
TEST(Package, PapersPassTheirValidators)
{
    const char* const manCheck = "LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l";
    const TPaperCase cases[] = {
        {"AppStream data a software centre rejects", "appstreamcli", "appstreamcli validate --no-net --explain",
         Papers / "example.valbrix.Valbrix.metainfo.xml"},
        {"a German manual page with roff mistakes", "man", manCheck, Papers / "valbrix.1"},
        {"an English manual page with roff mistakes", "man", manCheck, Papers / "valbrix-cli.1"},
        {"a desktop entry whose actions the desktop rejects", "desktop-file-validate", "desktop-file-validate",
         Source / "resources" / "valbrix.desktop"},
    };
    for (const TPaperCase& paper : cases) {
        SCOPED_TRACE(paper.Fault);
        if (!valbrix::test::HaveTool(paper.Tool))
            SKIP_UNLESS_CI(paper.Tool << " is not installed");
        ASSERT_TRUE(fs::exists(paper.File)) << paper.File;
        const auto result = RunCommand(std::string(paper.Command) + " " + Quote(paper.File.string()) + " 2>&1 >/dev/null");
        EXPECT_EQ(result.ExitCode, 0) << result.Output;
        EXPECT_EQ(result.Output, "");
    }
}

// The service menu lies outside the desktop-entry rules (Type=Service), so
// no validator reads it: catches it offering other actions than the desktop
// entry, a lost MIME type, and an action without a name or command.
TEST(Package, ServiceMenuOffersTheDesktopEntrysActions)
{
    const std::string menu = ReadText(Source / "resources" / "valbrix-servicemenu.desktop");
    const std::string entry = ReadText(Source / "resources" / "valbrix.desktop");
    EXPECT_EQ(DesktopGroupValue(menu, "Desktop Entry", "Type"), "Service");
    EXPECT_NE(DesktopGroupValue(menu, "Desktop Entry", "MimeType").find("application/zip;"), std::string::npos);
    EXPECT_EQ(DesktopGroupValue(menu, "Desktop Entry", "Actions"), DesktopGroupValue(entry, "Desktop Entry", "Actions"));
    for (const char* group : {"Desktop Action ExtractHere", "Desktop Action ExtractTo"}) {
        for (const char* key : {"Name", "Exec"}) {
            EXPECT_NE(DesktopGroupValue(menu, group, key), "") << group << " " << key;
            EXPECT_EQ(DesktopGroupValue(menu, group, key), DesktopGroupValue(entry, group, key)) << group << " " << key;
        }
    }
}

// Builds the Debian package from this build and runs lintian over it.
// Catches a paper the package lacks (copyright, changelog, manual pages,
// AppStream data, a service menu KIO will not run) and any lintian error.
TEST(Package, DebianPackageHasItsPapersAndNoLintianErrors)
{
    for (const char* tool : {"cpack", "dpkg-deb", "lintian"})
        if (!valbrix::test::HaveTool(tool))
            SKIP_UNLESS_CI(tool << " is not installed");
    const TempDir folder;
    const auto made = RunCommand("cd " + Quote(VALBRIX_BINARY_DIR) + " && cpack -G DEB -B " +
                                 Quote(folder.Path().string()) + " 2>&1");
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    fs::path package;
    for (const auto& item : fs::directory_iterator(folder.Path()))
        if (item.path().extension() == ".deb")
            package = item.path();
    ASSERT_FALSE(package.empty()) << made.Output;

    const std::string contents = RunCommand("dpkg-deb -c " + Quote(package.string())).Output;
    const struct {
        const char* Path;
        const char* Mode;  // the start of dpkg-deb's mode column
    } expected[] = {
        {"./usr/share/doc/valbrix/copyright", "-rw-r--r--"},
        {"./usr/share/doc/valbrix/changelog.gz", "-rw-r--r--"},
        {"./usr/share/man/man1/valbrix.1.gz", "-rw-r--r--"},
        {"./usr/share/man/man1/valbrix-cli.1.gz", "-rw-r--r--"},
        {"./usr/share/metainfo/example.valbrix.Valbrix.metainfo.xml", "-rw-r--r--"},
        {"./usr/share/kio/servicemenus/valbrix-servicemenu.desktop", "-rwxr-xr-x"},
        {"./usr/share/applications/valbrix.desktop", "-rw-r--r--"},
    };
    for (const auto& file : expected) {
        const size_t at = contents.find(std::string(" ") + file.Path + "\n");
        ASSERT_NE(at, std::string::npos) << file.Path << "\n" << contents;
        const size_t line = contents.rfind('\n', at) + 1;
        EXPECT_EQ(contents.substr(line, 10), file.Mode) << file.Path;
    }

    const auto lint = RunCommand("lintian --tag-display-limit 0 " + Quote(package.string()) + " 2>&1");
    EXPECT_EQ(lint.Output.find("E: "), std::string::npos) << lint.Output;
}

// Catches .ci/run starting its stages (and passing, the fixture tests
// skipped) on a clone that has no fixture folder beside it.
TEST(Package, CiRefusesToRunWithoutFixtures)
{
    const TempDir folder;
    const fs::path clone = folder / "clone";
    fs::create_directories(clone / ".ci");
    fs::copy_file(Source / ".ci" / "run", clone / ".ci" / "run");
    const auto run = RunCommand("CI=true bash " + Quote((clone / ".ci" / "run").string()) + " 2>&1");
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("fixture folder"), std::string::npos) << run.Output;
    EXPECT_EQ(run.Output.find("tests:"), std::string::npos) << "a stage ran:\n" << run.Output;
}

}  // namespace
