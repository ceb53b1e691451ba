// The archive object; see the header. The directory reader keeps its own
// verdicts (end record, damage); this file only holds the file open, lends a
// view of it to each walk, and counts.
#include "engine/archive/ZipArchive.h"

#include <filesystem>
#include <system_error>

namespace valbrix {

namespace {

// Hands the directory reader the archive's open reader without giving it away.
class TBorrowedReader : public TArchiveReader {
public:
    explicit TBorrowedReader(TArchiveReader& reader) : FReader(reader) {}
    long ReadAt(uint64_t position, uint8_t* buffer, size_t count) override
    {
        return FReader.ReadAt(position, buffer, count);
    }
    uint64_t Size() const override { return FReader.Size(); }

private:
    TArchiveReader& FReader;
};

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

}  // namespace

TArchiveKind TZipArchive::Open(const std::string& path, const std::function<void(const TZipEntry&)>& visit)
{
    Close();
    FPath = AbsolutePath(path);
    // The name rule of the content check: a name without a '.' is no archive.
    const bool nameAccepted = path.find('.') != std::string::npos;
    std::string file = FPath;
    if (file.size() > 1 && file.back() == '/')
        file.pop_back();
    auto reader = std::make_unique<TFileArchiveReader>();  // refuses folders, pipes and devices
    if (reader->Open(file) != 0)
        return FKind;
    FReader = std::move(reader);
    return Classify(nameAccepted, visit);
}

TArchiveKind TZipArchive::Open(std::unique_ptr<TArchiveReader> reader, const std::function<void(const TZipEntry&)>& visit)
{
    Close();
    FReader = std::move(reader);
    return FReader ? Classify(true, visit) : FKind;
}

void TZipArchive::Close()
{
    FReader.reset();
    FPath.clear();
    FKind = akNotArchive;
    FEntriesRead = 0;
    FKeptPasswords.Clear();
}

TArchiveKind TZipArchive::Classify(bool nameAccepted, const std::function<void(const TZipEntry&)>& visit)
{
    if (!nameAccepted || !IsZipArchive(*FReader)) {
        // An empty archive starts with its end record, which the content check refuses.
        FKind = IsEmptyZipArchive(*FReader) ? akEmpty : akNotArchive;
        return FKind;
    }
    uint64_t count = 0;
    TEntryCursor cursor(*this);
    while (const TZipEntry* entry = cursor.Next()) {
        ++count;
        if (visit)
            visit(*entry);
    }
    const TDirectoryStatus status = cursor.Status();
    FEntriesRead = count;
    // Without an end record there is nothing to search for again.
    if (status == dsNone)
        FKind = cursor.FoundEndRecord() && IsEmptyZipArchive(*FReader) ? akEmpty : akNotArchive;
    else
        FKind = status == dsDamaged ? akDamaged : akArchive;
    return FKind;
}

TDirectoryStatus TZipArchive::ForEachEntry(const std::function<bool(const TZipEntry&)>& visit) const
{
    TEntryCursor cursor(*this);
    while (const TZipEntry* entry = cursor.Next())
        if (!visit(*entry))
            return dsComplete;
    return cursor.Status();
}

const TZipEntry* TEntryCursor::Next()
{
    int result = drNoEntry;
    if (!FStarted) {
        FStarted = true;
        if (!FArchive.FReader)
            return nullptr;
        result = OpenZipDirectory(std::make_unique<TBorrowedReader>(*FArchive.FReader), FDirectory);
        FOpenResult = result;
        FOpened = result >= 0;
    } else if (FDirectory.Buffer) {
        result = NextZipEntry(FDirectory);
    }
    return result == drEntry ? &FDirectory.Entry : nullptr;
}

TDirectoryStatus TEntryCursor::Status() const
{
    return FOpened ? FDirectory.Status : dsNone;
}

TDirectoryStatus ListZipEntries(const std::string& fileName, std::vector<TZipEntry>& list)
{
    TZipArchive archive;
    const TArchiveKind kind = archive.Open(fileName);
    if (kind == akNotArchive || kind == akEmpty)
        return dsNone;
    return archive.ForEachEntry([&list](const TZipEntry& entry) {
        list.push_back(entry);
        return true;
    });
}

}  // namespace valbrix
