// Opening a command's archive; see the header.
#include "cli/ArchiveInput.h"

#include <memory>

#include "cli/Commands.h"
#include "cli/Messages.h"
#include "cli/NameText.h"
#include "engine/LittleEndian.h"
#include "engine/archive/ZipFormat.h"
#include "platform/ErrorText.h"

namespace valbrix::cli {

namespace {

// Why a file that opens is no archive: one that starts as a ZIP has lost
// its end (cut short in a copy or a download); anything else is another kind of file.
std::string NoDirectoryReason(const std::string& path)
{
    platform::TFile file;
    uint8_t head[SignatureBytes] = {};
    if (file.OpenRegularRead(path) == 0 && file.Read(head, sizeof head) == long(sizeof head) &&
        Le32(head) == LocalHeaderSignature)
        return "damaged ZIP archive: no end record (cut short?)";
    return "not a ZIP archive (no end record or central directory found)";
}

bool Judge(TZipArchive& archive, TArchiveKind kind, const std::string& shownName, const std::string& path)
{
    if (kind == akNotArchive) {
        if (!WarnSetProblem(shownName, archive))
            PrintError("'" + EscapedName(shownName) + "': " + NoDirectoryReason(path));
        return false;
    }
    if (kind == akDamaged)
        WarnDamagedDirectory(shownName, archive);
    return true;
}

}  // namespace

bool TArchiveInput::Open(TZipArchive& archive, const std::string& operand)
{
    if (operand == "-")
        return OpenStandardInput(archive);
    platform::TFile probe;
    if (const int error = probe.OpenRegularRead(operand); error != 0) {
        PrintError("'" + EscapedName(operand) + "': cannot open: " +
                   (error == ENODEV ? std::string("not a regular file") : platform::ErrorText(error)));
        return false;
    }
    probe.Close();
    return Judge(archive, archive.Open(operand), operand, operand);
}

bool TArchiveInput::OpenStandardInput(TZipArchive& archive)
{
    if (const int error = FSpool.Spool(); error != 0) {
        PrintError("standard input cannot be copied to a temporary file: " + platform::ErrorText(error));
        return false;
    }
    // By reader, not by path: a name check has nothing to go on for a pipe.
    auto reader = std::make_unique<TFileArchiveReader>();
    if (reader->Open(FSpool.Path()) != 0) {
        PrintError("standard input cannot be read back from its temporary file");
        return false;
    }
    return Judge(archive, archive.Open(std::move(reader)), "-", FSpool.Path());
}

}  // namespace valbrix::cli
