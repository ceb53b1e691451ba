// TTheIniFile against real files in a scratch folder: opening rules, the
// messages, the saved file, and the default location.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <QStringList>

#include "support/TestFiles.h"
#include "settings/MyIni.h"

namespace valbrix {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// The component as the main window uses it, with its messages collected.
struct Ini {
    explicit Ini(const fs::path& file, const char* section = "Folders")
    {
        Component.OnMessage = [this](const QString& text) { Messages << text; };
        Component.SetIniLocation(loUser);
        Component.SetIniFileName(Q(file));
        Component.SetSection(QString::fromLatin1(section));
        Component.SetOpen(true);
    }
    QString Read(const char* key, const char* defaultValue = "default")
    {
        QString value;
        Component.ReadValue(QString::fromLatin1(key), QString::fromLatin1(defaultValue), value);
        return value;
    }
    TTheIniFile Component;
    QStringList Messages;
};

std::string Text(const fs::path& path)
{
    const test::Bytes bytes = test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Catches: a probe file left behind on open, a missing file not counted as
// openable, the first write not creating it, the value not read back.
TEST(MyIni, MissingFileOpensAndTheFirstWriteCreatesIt)
{
    test::TempDir dir;
    const fs::path file = dir / "valbrix.ini";
    Ini ini(file);
    EXPECT_TRUE(ini.Component.Open());
    EXPECT_EQ(ini.Component.ErrorCode(), iniFileMissing);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    ini.Component.WriteValue(QStringLiteral("LastFolder"), QStringLiteral("/home/jörg/Ziel"));
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    EXPECT_EQ(Text(file), "[Folders]\nLastFolder=/home/jörg/Ziel\n");
    EXPECT_EQ(ini.Read("LastFolder"), QStringLiteral("/home/jörg/Ziel"));
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    EXPECT_TRUE(ini.Messages.isEmpty());
}

// Catches: a missing folder reported as success (or with a message), and a
// component that reads or writes after a failed open.
TEST(MyIni, MissingFolderIsAnErrorCodeAndBlocksReadAndWrite)
{
    test::TempDir dir;
    Ini ini(dir / "nothere" / "valbrix.ini");
    EXPECT_EQ(ini.Component.ErrorCode(), ENOENT);
    EXPECT_TRUE(ini.Messages.isEmpty());
    EXPECT_EQ(ini.Read("LastFolder"), QStringLiteral("default"));
    ini.Component.WriteValue(QStringLiteral("LastFolder"), QStringLiteral("/x"));
    EXPECT_EQ(ini.Messages, QStringList({QStringLiteral("Bitte Dateiname angeben."),
                                         QStringLiteral("Bitte Dateiname angeben.")}));
    EXPECT_FALSE(fs::exists(dir / "nothere"));
}

// Catches: a stored "INIERROR" returned as a value, a missing key returned
// as "" instead of the caller's default, an empty key not giving "".
TEST(MyIni, MissingKeysAndTheErrorMarkerGiveTheDefault)
{
    test::TempDir dir;
    test::WriteFile(dir / "v.ini", std::string("[Folders]\nMarker=INIERROR\nEmpty=\n"));
    Ini ini(dir / "v.ini");
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    const struct {
        const char* Key;
        QString Value;
        int ErrorCode;
    } cases[] = {
        {"Marker", QStringLiteral("default"), iniValueMissing},
        {"Missing", QStringLiteral("default"), iniValueMissing},
        {"Empty", QString(), 0},
        {"", QString(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.Read(c.Key), c.Value) << c.Key;
        EXPECT_EQ(ini.Component.ErrorCode(), c.ErrorCode) << c.Key;
    }
}

// Catches: a renamed file that stays open on the old name, and reads without
// a section that silently return something.
TEST(MyIni, NotReadyShowsTheMessageAndKeepsTheDefault)
{
    test::TempDir dir;
    Ini ini(dir / "a.ini");
    ini.Component.SetIniFileName(Q(dir / "b.ini"));
    EXPECT_FALSE(ini.Component.Open());
    EXPECT_EQ(ini.Read("LastFolder"), QStringLiteral("default"));
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    ini.Component.SetOpen(true);
    ini.Component.SetSection(QString());
    EXPECT_EQ(ini.Read("LastFolder"), QStringLiteral("default"));
    EXPECT_EQ(ini.Messages.size(), 2);
    EXPECT_EQ(ini.Messages.value(0), QStringLiteral("Bitte Dateiname angeben."));
}

// Catches: a save that writes in place (half a file after a crash) or leaves
// its temporary file, drops other sections and comments, replaces a symbolic
// link by a plain file, or loosens the file's permissions.
TEST(MyIni, SaveReplacesTheFileWholeAndKeepsWhatItDoesNotKnow)
{
    test::TempDir dir;
    fs::create_directory(dir / "dotfiles");
    const fs::path real = dir / "dotfiles" / "valbrix.ini";
    test::WriteFile(real, std::string("; von Hand\r\n[WindowPosition]\r\nTop=5\r\n[folders]\r\nlastfolder=/old\r\n"));
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir / "config");
    const fs::path link = dir / "config" / "valbrix.ini";
    fs::create_symlink(real, link);

    Ini ini(link);
    ini.Component.WriteValue(QStringLiteral("LastFolder"), QStringLiteral("/new"));
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Text(real), "; von Hand\r\n[WindowPosition]\r\nTop=5\r\n[folders]\r\nlastfolder=/new\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "dotfiles"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "config"), fs::directory_iterator()), 1);
}

// Catches: a write-protected file left unwritable (every later save fails)
// and the write-protection message shown when the protection could be lifted.
TEST(MyIni, WriteProtectionIsLiftedOnOpen)
{
    test::TempDir dir;
    const fs::path file = dir / "ro.ini";
    test::WriteFile(file, std::string("[Folders]\n"));
    fs::permissions(file, fs::perms::owner_read);
    Ini ini(file);
    EXPECT_EQ(ini.Component.ErrorCode(), 0);
    EXPECT_TRUE(ini.Messages.isEmpty());
    EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
}

// Catches: a huge or unreadable file replaced by the one key we wrote (the
// rest of it lost), and a line break in a value reported as success.
TEST(MyIni, RefusedWritesLeaveTheFileAlone)
{
    test::TempDir dir;
    const fs::path big = dir / "big.ini";
    test::WriteFile(big, std::string(size_t(MaxIniFileBytes) + 1, 'x'));
    Ini huge(big);
    huge.Component.WriteValue(QStringLiteral("LastFolder"), QStringLiteral("/x"));
    EXPECT_EQ(huge.Component.ErrorCode(), EFBIG);
    EXPECT_EQ(fs::file_size(big), size_t(MaxIniFileBytes) + 1);

    const fs::path small = dir / "small.ini";
    test::WriteFile(small, std::string("[Folders]\nLastFolder=/old\n"));
    Ini ini(small);
    ini.Component.WriteValue(QStringLiteral("LastFolder"), QStringLiteral("/a\n[Evil]"));
    EXPECT_EQ(ini.Component.ErrorCode(), EINVAL);
    EXPECT_EQ(Text(small), "[Folders]\nLastFolder=/old\n");
}

// Catches: the default file outside $XDG_CONFIG_HOME, a relative
// $XDG_CONFIG_HOME honoured (the file would wander with the current folder),
// the folder not created.
TEST(MyIni, DefaultPathFollowsTheConfigHome)
{
    test::TempDir dir;
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldConfig ? oldConfig : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";

    setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    EXPECT_EQ(DefaultIniFilePath(), Q(dir / "cfg" / "valbrix" / "valbrix.ini"));
    EXPECT_TRUE(fs::is_directory(dir / "cfg" / "valbrix"));

    setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    setenv("HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(DefaultIniFilePath(), Q(dir / ".config" / "valbrix" / "valbrix.ini"));

    // loWinDir puts a bare file name into the same folder.
    TTheIniFile ini;
    ini.SetIniFileName(QStringLiteral("valbrix.ini"));
    EXPECT_EQ(ini.ResolvedFileName(), DefaultIniFilePath());

    setenv("HOME", savedHome.c_str(), 1);
    if (oldConfig)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace valbrix
