// Shared pieces of the extraction and setup tests: a scratch folder that is
// also the INI file's home, archives with real contents, and a scripted
// extraction dialog that records how it was prefilled.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QString>

#include "CraftedZip.h"
#include "TestFiles.h"
#include "app/dialogs/DirSelectUnit.h"
#include "app/window/MainUnit.h"
#include "controls/ToolEdit.h"

namespace valbrix::test {

// A path as the window's functions take it.
inline QString Q(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

struct Content {
    std::string Name;
    std::string Text;
};

inline QString WriteContentArchive(const TempDir& dir, const std::string& fileName, const std::vector<Content>& items)
{
    CraftedZip zip;
    for (const Content& item : items)
        zip.Add(StoredEntry(item.Name, Bytes(item.Text.begin(), item.Text.end())));
    WriteFile(dir / fileName, zip.Build());
    return QString::fromStdString((dir / fileName).string());
}

// Three files, two of them with data that no longer match their checksum,
// and a folder entry: "t.zip".
inline QString WriteTestArchive(const TempDir& dir)
{
    CraftedZip zip;
    zip.Add(StoredEntry("docs/", {}));
    zip.Add(StoredEntry("docs/good.txt", Bytes(100, 'g')));
    for (const char* name : {"bad1.txt", "docs/bad2.txt"}) {
        CraftedEntry bad = StoredEntry(name, Bytes(100, 'b'));
        bad.Crc32 ^= 0x1234;  // data that no longer matches its checksum
        zip.Add(bad);
    }
    WriteFile(dir / "t.zip", zip.Build());
    return QString::fromStdString((dir / "t.zip").string());
}

// Four entries of 16 MiB, large enough that a run dispatches events within each: "large.zip".
inline QString WriteLargeArchive(const TempDir& dir)
{
    CraftedZip zip;
    for (int i = 0; i < 4; ++i)
        zip.Add(StoredEntry("big" + std::to_string(i) + ".bin", Bytes(16 << 20, char('a' + i))));
    WriteFile(dir / "large.zip", zip.Build());
    return QString::fromStdString((dir / "large.zip").string());
}

inline std::string ReadText(const std::filesystem::path& path)
{
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every file and folder below root, relative, folders with a trailing '/'.
inline std::vector<std::string> Tree(const std::filesystem::path& root)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root, error))
        names.push_back(std::filesystem::relative(item.path(), root).string() + (item.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

// Answers the extraction dialog: records the prefilled state, then types the
// folder, sets the options and confirms (or cancels).
struct DialogScript {
    explicit DialogScript(QString folder, bool withFolders = true, bool overwrite = true, bool accept = true)
        : Folder(std::move(folder)), WithFolders(withFolders), Overwrite(overwrite), Accept(accept)
    {
    }
    QString Folder;
    bool WithFolders = true;
    bool Overwrite = true;
    bool Accept = true;
    // What the dialog showed when it opened.
    QString ShownFolder;
    bool ShownWithFolders = false;
    bool ShownOverwrite = false;
    int Runs = 0;

    void Install(TMain& window)
    {
        window.Seams().RunDirSelectDlg = [this](TDirSelectDlg& dialog) {
            ++Runs;
            ShownFolder = dialog.FolderText();
            ShownWithFolders = dialog.WithFoldersChkBox->isChecked();
            ShownOverwrite = dialog.OverwriteChkBox->isChecked();
            dialog.DirEdit->setText(Folder);
            dialog.WithFoldersChkBox->setChecked(WithFolders);
            dialog.OverwriteChkBox->setChecked(Overwrite);
            return Accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
    }
};

}  // namespace valbrix::test
