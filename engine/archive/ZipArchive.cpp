// The archive object; see the header. The directory reader keeps its own
// verdicts (end record, damage); this file holds the file open, lends a
// view of it to each walk, counts, and turns to the local headers when the
// directory is lost or damaged.
#include "engine/archive/ZipArchive.h"

#include "engine/archive/EntryName.h"
#include "platform/Paths.h"

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
    std::vector<uint64_t> DiskStarts() const override { return FReader.DiskStarts(); }
    bool Holds(uint64_t from, uint64_t to) const override { return FReader.Holds(from, to); }

private:
    TArchiveReader& FReader;
};

}  // namespace

TArchiveKind TZipArchive::Open(const std::string& path, const std::function<void(const TZipEntry&)>& visit,
                               const std::function<void()>& restart)
{
    Close();
    FPath = platform::AbsolutePath(path);
    std::string file = FPath;
    if (file.size() > 1 && file.back() == '/')
        file.pop_back();
    TSetOpening opening = OpenArchiveFiles(file);  // refuses folders, pipes and devices
    FSetProblem = opening.Problem;
    FProblemPart = opening.ProblemPart;
    if (!opening.Reader)
        return FKind;
    FReader = std::move(opening.Reader);
    Classify(visit, restart);
    // The entries in the parts that are there list; the set is not whole.
    if (FSetProblem == spMissingPart && FKind == akArchive)
        FKind = akDamaged;
    return FKind;
}

TArchiveKind TZipArchive::Open(std::unique_ptr<TArchiveReader> reader, const std::function<void(const TZipEntry&)>& visit,
                               const std::function<void()>& restart)
{
    Close();
    FReader = std::move(reader);
    return FReader ? Classify(visit, restart) : FKind;
}

void TZipArchive::Close()
{
    FReader.reset();
    FPath.clear();
    FKind = akNotArchive;
    FEntriesRead = 0;
    FRecovered = false;
    FSetProblem = spNone;
    FProblemPart.clear();
    FKeptPasswords.Clear();
}

uint64_t TZipArchive::Recover(const std::function<void(const TZipEntry&)>& visit)
{
    TLocalHeaderWalk walk(*FReader);
    uint64_t count = 0;
    while (const TZipEntry* entry = walk.Next()) {
        ++count;
        if (visit)
            visit(*entry);
    }
    return count;
}

TArchiveKind TZipArchive::Classify(const std::function<void(const TZipEntry&)>& visit, const std::function<void()>& restart)
{
    uint64_t count = 0;
    // Without a visitor only the count and the verdict are wanted: a listing
    // that follows walks the directory again, and decoding every name twice
    // was a quarter of listing a large one.
    TEntryCursor cursor(*this, !visit);
    while (const TZipEntry* entry = cursor.Next()) {
        ++count;
        if (visit)
            visit(*entry);
    }
    const TDirectoryStatus status = cursor.Status();
    FEntriesRead = count;
    if (status == dsComplete) {
        FKind = akArchive;
        return FKind;
    }
    // Without an end record there is nothing to search for again.
    if (status == dsNone && cursor.FoundEndRecord() && IsEmptyZipArchive(*FReader)) {
        FKind = akEmpty;
        return FKind;
    }
    // The directory is lost or damaged: the local headers may tell more.
    // A damaged directory's entries were handed out already, so its rival
    // is counted first and replaces them only when it finds more.
    const bool visited = count > 0;
    const uint64_t recovered = Recover(visited ? std::function<void(const TZipEntry&)>() : visit);
    if (recovered > count) {
        if (visited) {
            if (restart)
                restart();
            Recover(visit);
        }
        FRecovered = true;
        FEntriesRead = recovered;
    }
    FKind = status == dsNone && !FRecovered ? akNotArchive : akDamaged;
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
    if (FArchive.FRecovered) {
        if (!FStarted && FArchive.FReader)
            FWalk = std::make_unique<TLocalHeaderWalk>(*FArchive.FReader);
        FStarted = true;
        return FWalk ? FWalk->Next() : nullptr;
    }
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
    if (result != drEntry)
        return nullptr;
    // An entry whose bytes reach into a missing part of a set cannot be read.
    TZipEntry& entry = FDirectory.Entry;
    const uint64_t dataEnd = entry.LocalHeaderOffset + LocalHeaderBytes + entry.CompressedSize;
    if (entry.Damage == edNone
        && !FArchive.FReader->Holds(entry.LocalHeaderOffset, dataEnd < entry.LocalHeaderOffset ? UINT64_MAX : dataEnd))
        entry.Damage = edMissingPart;
    return &entry;
}

TDirectoryStatus TEntryCursor::Status() const
{
    if (FArchive.FRecovered)
        return dsDamaged;
    return FOpened ? FDirectory.Status : dsNone;
}

std::string TZipArchive::Comment() const
{
    if (!FReader || FRecovered)
        return {};
    const std::string stored = ReadArchiveComment(*FReader);
    return DecodeCommentText(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
}

bool IsZipArchive(const std::string& fileName)
{
    TZipArchive archive;
    const TArchiveKind kind = archive.Open(fileName);
    return kind == akArchive || kind == akDamaged;
}

bool IsZipArchive(TArchiveReader& reader)
{
    TZipArchive archive;
    const TArchiveKind kind = archive.Open(std::make_unique<TBorrowedReader>(reader));
    return kind == akArchive || kind == akDamaged;
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
