// The freedesktop base folders and the folder maker behind them.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/XdgFolders.h"
#include "support/TestFiles.h"

using namespace valbrix::platform;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace fs = std::filesystem;

namespace {

// Sets a variable for one scope and puts the old value back.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : FName(name)
    {
        if (const char* old = std::getenv(name))
            FOld = old, FHadOld = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~TScopedVariable() { FHadOld ? ::setenv(FName, FOld.c_str(), 1) : ::unsetenv(FName); }

private:
    const char* FName;
    std::string FOld;
    bool FHadOld = false;
};

}  // namespace

// Catches a relative or empty variable taken as a folder (settings would
// land wherever the program was started), and the defaults not below $HOME.
TEST(XdgFolders, OnlyAbsoluteVariablesCount)
{
    TScopedVariable home("HOME", "/home/anna");
    const struct {
        const char* value;
        std::string config, data;
    } cases[] = {
        {"/srv/x", "/srv/x", "/srv/x"},
        {"relative/x", "/home/anna/.config", "/home/anna/.local/share"},
        {"", "/home/anna/.config", "/home/anna/.local/share"},
        {nullptr, "/home/anna/.config", "/home/anna/.local/share"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        TScopedVariable config("XDG_CONFIG_HOME", c.value);
        TScopedVariable data("XDG_DATA_HOME", c.value);
        EXPECT_EQ(XdgConfigHome(), c.config);
        EXPECT_EQ(XdgDataHome(), c.data);
    }
}

// Catches new levels open to others (the base-folder rules want 0700),
// an existing folder's mode changed, and a file in the way taken for a folder.
TEST(XdgFolders, CreateFolderPathMakesPrivateLevels)
{
    TempDir dir;
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms(0755));
    const fs::path deep = dir / "shared" / "a" / "b";
    EXPECT_EQ(CreateFolderPath(deep.string()), 0);
    EXPECT_EQ(CreateFolderPath(deep.string()), 0);
    EXPECT_EQ(fs::status(dir / "shared" / "a").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(deep).permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(dir / "shared").permissions(), fs::perms(0755));

    WriteFile(dir / "file", std::string("x"));
    EXPECT_EQ(CreateFolderPath((dir / "file").string()), ENOTDIR);
    EXPECT_EQ(CreateFolderPath((dir / "file" / "below").string()), ENOTDIR);
}
