// The archive behind the window; see the header.
#include "app/workflows/ArchiveSession.h"

#include <algorithm>
#include <exception>
#include <numeric>


#include "app/texts/ListTexts.h"
#include "app/texts/OpenTexts.h"
#include "engine/SizeSum.h"
#include "platform/FileServices.h"
#include "platform/gui/NativePath.h"

namespace valbrix {

// Lower case of anything outside ASCII never yields one of the letters of
// "setup.exe", so bytes suffice.
bool NamesSetupProgram(std::string_view fileName)
{
    static constexpr std::string_view Setup = "setup.exe";
    if (fileName.size() < Setup.size())
        return false;
    for (size_t at = 0; at + Setup.size() <= fileName.size(); ++at)
        if (std::equal(Setup.begin(), Setup.end(), fileName.begin() + at,
                       [](char s, char c) { return s == (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c); }))
            return true;
    return false;
}

TArchiveListing TArchiveSession::Open(const QString& path)
{
    FArchive.Close();
    TArchiveListing listing;
    listing.Table = std::make_shared<TEntryTable>();
    const std::string nativePath = platform::NativePath(path);
    platform::TFile probe;
    listing.OpenError = probe.OpenRegularRead(nativePath);
    probe.Close();
    try {
        if (listing.OpenError == 0)
            listing.Status = ListZipEntries(FArchive, nativePath, *listing.Table);
    } catch (const std::exception&) {
        listing.Status = dsDamaged;
    }

    FFileBytes = 0;
    FCompressedBytes = 0;
    FSetupFound = false;
    const TEntryTable& table = *listing.Table;
    for (uint32_t i = 0; i < table.Size(); ++i) {
        const TEntryRecord& record = table.Record(i);
        if (table.IsFolder(record))
            continue;
        if (!FSetupFound && NamesSetupProgram(table.FileNamePart(record)))
            FSetupFound = true;
        FFileBytes = AddSizeSaturated(FFileBytes, record.UncompressedSize);
        FCompressedBytes = AddSizeSaturated(FCompressedBytes, record.CompressedSize);
    }
    return listing;
}

TExtractList AllEntriesOf(const TArchiveListing& listing)
{
    TExtractList list;
    if (!listing.Table)
        return list;
    list.Table = listing.Table;
    list.Indices.resize(listing.Table->Size());
    std::iota(list.Indices.begin(), list.Indices.end(), 0u);
    return list;
}

TExtractList TArchiveSession::SetupList(const TArchiveListing& listing) const
{
    return FSetupFound ? AllEntriesOf(listing) : TExtractList{};
}

// "Not an archive" must not look like "empty".
TOpenProblem TArchiveSession::OpenProblem(const QString& path, const TArchiveListing& listing, int rowCount) const
{
    if (listing.OpenError != 0)
        return {OpenFailureText(path, listing.OpenError), mkError};
    if (FArchive.SetProblem() == spPartsDisagree)
        return {PartsDisagreeText(QString::fromStdString(FArchive.ProblemPart())), mkError};
    if (FArchive.Kind() == akNotArchive && FArchive.SetProblem() == spMissingPart)
        return {MissingPartText(QString::fromStdString(FArchive.ProblemPart())), mkError};
    if (FArchive.Kind() == akNotArchive)
        return {NotZipText(path), mkError};
    if (listing.Status != dsDamaged && rowCount == 0)
        return {NoFilesText(path), mkInformation};
    return {};
}

QString TArchiveSession::DamageText(const QString& path, qsizetype filesRead, qsizetype foldersRead) const
{
    if (FArchive.SetProblem() == spMissingPart)
        return MissingPartText(QString::fromStdString(FArchive.ProblemPart()));
    return FArchive.Recovered() ? RecoveredArchiveText(filesRead, foldersRead)
                                : DamagedDirectoryText(path, filesRead, foldersRead);
}

}  // namespace valbrix
