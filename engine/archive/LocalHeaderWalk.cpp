// The local-header walk; see the header. Reads go through one chunk buffer
// that every scan and header read shares, and each chunk load is paid from
// the scan budget, so a file full of signatures that lead nowhere cannot
// make the walk read it over and over.
#include "engine/archive/LocalHeaderWalk.h"

#include <algorithm>
#include <cstring>

#include "engine/Crc32.h"
#include "engine/archive/EntryName.h"
#include "engine/archive/ExtraFields.h"
#include "engine/LittleEndian.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix {

namespace {

// Holds the longest local header (30 bytes, a 64 KB name and a 64 KB extra area).
constexpr size_t ChunkSize = 256 * 1024;
static_assert(ChunkSize >= LocalHeaderBytes + 2 * 0xFFFF);
constexpr uint64_t ScanBudgetSlack = 4u << 20;
// Names from a local header carry no host: a valid UTF-8 name stays as
// stored, any other is read as code page 437, as for a non-MS-DOS host.
constexpr uint8_t NoHostSaid = 3;

bool StartsRecord(uint32_t signature)
{
    return signature == LocalHeaderSignature || signature == CentralHeaderSignature || signature == EndRecordSignature
        || signature == Zip64EndSignature || signature == DigitalSignatureSignature;
}

}  // namespace

TLocalHeaderWalk::TLocalHeaderWalk(TArchiveReader& archive)
    : FArchive(archive), FFileBytes(archive.Size()), FChunk(std::make_unique_for_overwrite<uint8_t[]>(ChunkSize)),
      FScanBudget(4 * FFileBytes + ScanBudgetSlack), FSearchBudget(2 * FFileBytes + ScanBudgetSlack),
      FMaxEntries(FFileBytes / LocalHeaderBytes)
{
}

const uint8_t* TLocalHeaderWalk::Chunk(uint64_t position, size_t count)
{
    if (position > FFileBytes || count > FFileBytes - position || count > ChunkSize)
        return nullptr;
    if (position >= FChunkStart && position - FChunkStart + count <= FChunkBytes)
        return FChunk.get() + (position - FChunkStart);
    const size_t bytes = size_t(std::min<uint64_t>(ChunkSize, FFileBytes - position));
    if (bytes > FScanBudget)
        return nullptr;
    FScanBudget -= bytes;
    FChunkBytes = 0;
    const long got = FArchive.ReadAt(position, FChunk.get(), bytes);
    if (got < long(count))
        return nullptr;
    FChunkStart = position;
    FChunkBytes = size_t(got);
    return FChunk.get();
}

template <typename TWanted>
bool TLocalHeaderWalk::FindSignature(uint64_t from, uint64_t limit, TWanted wanted, uint64_t& found)
{
    limit = std::min(limit, FFileBytes);
    for (uint64_t at = from; at < limit && limit - at >= SignatureBytes;) {
        const size_t bytes = size_t(std::min<uint64_t>(ChunkSize, limit - at));
        const uint8_t* data = Chunk(at, bytes);
        if (!data)
            return false;
        // Bytes already held are searched again for free, so the search is
        // bounded on its own: a run of headers found by scanning, each with a
        // descriptor searched for up to the end, was quadratic in the file.
        const size_t searchable = size_t(std::min<uint64_t>(bytes, FSearchBudget));
        for (size_t i = 0; i + SignatureBytes <= searchable;) {
            const void* hit = std::memchr(data + i, 'P', searchable - SignatureBytes + 1 - i);
            if (!hit)
                break;
            i = size_t(static_cast<const uint8_t*>(hit) - data);
            if (data[i + 1] == 'K' && wanted(Le32(data + i))) {
                FSearchBudget -= i + 1;
                found = at + i;
                return true;
            }
            ++i;
        }
        if (searchable < bytes) {
            FSearchBudget = 0;
            return false;
        }
        FSearchBudget -= bytes - (SignatureBytes - 1);
        at += bytes - (SignatureBytes - 1);
    }
    return false;
}

bool TLocalHeaderWalk::RecordOrEndAt(uint64_t at)
{
    // A file cut inside the next record's signature still ends this entry whole.
    if (at <= FFileBytes && FFileBytes - at < SignatureBytes)
        return true;
    const uint8_t* signature = Chunk(at, SignatureBytes);
    return signature && StartsRecord(Le32(signature));
}

bool TLocalHeaderWalk::StoredCrcMatches(uint64_t dataStart, uint64_t bytes, uint32_t crc)
{
    if (bytes > FScanBudget)
        return false;
    FScanBudget -= bytes;
    uint8_t buffer[16 * 1024];
    uint32_t value = 0xFFFFFFFFu;
    for (uint64_t done = 0; done < bytes;) {
        const size_t piece = size_t(std::min<uint64_t>(sizeof buffer, bytes - done));
        if (FArchive.ReadAt(dataStart + done, buffer, piece) != long(piece))
            return false;
        value = Crc32Update(value, buffer, piece);
        done += piece;
    }
    return ~value == crc;
}

// A descriptor at `at` (with or without its signature, 32- or 64-bit sizes)
// belongs to the data from dataStart when its compressed size is the
// distance walked and a record or the file's end follows it; a stored
// entry's bytes must also give its CRC, since its size is the only other
// check.
bool TLocalHeaderWalk::DescriptorChecksOut(uint64_t at, bool signature, bool zip64, uint64_t dataStart)
{
    const size_t fieldsAt = signature ? SignatureBytes : 0;
    const size_t bytes = fieldsAt + (zip64 ? DescriptorFields64 : DescriptorFields32);
    const uint8_t* descriptor = Chunk(at, bytes);
    if (!descriptor)
        return false;
    const uint8_t* fields = descriptor + fieldsAt;
    const uint32_t crc = Le32(fields);
    const uint64_t compressed = zip64 ? LoadLe64(fields + 4) : Le32(fields + 4);
    const uint64_t uncompressed = zip64 ? LoadLe64(fields + 12) : Le32(fields + 8);
    if (compressed != at - dataStart || !RecordOrEndAt(at + bytes))
        return false;
    if (FEntry.Method == zmStored && !(FEntry.Flags & gpEncrypted)
        && (uncompressed != compressed || !StoredCrcMatches(dataStart, compressed, crc)))
        return false;
    FEntry.Crc32 = crc;
    FEntry.CompressedSize = compressed;
    FEntry.UncompressedSize = uncompressed;
    FEntryEnd = at + bytes;
    return true;
}

// Searches forward from the data for the descriptor that closes it: one
// with its signature, or one without, right in front of the next record.
bool TLocalHeaderWalk::FindDescriptor(uint64_t dataStart, bool zip64)
{
    const auto unsignedInFront = [&](uint64_t recordAt) {
        for (bool wide : {zip64, !zip64}) {
            const size_t fieldBytes = wide ? DescriptorFields64 : DescriptorFields32;
            if (recordAt - dataStart >= fieldBytes && DescriptorChecksOut(recordAt - fieldBytes, false, wide, dataStart))
                return true;
        }
        return false;
    };
    const auto wanted = [](uint32_t signature) { return signature == DescriptorSignature || StartsRecord(signature); };
    for (uint64_t from = dataStart, at = 0; FindSignature(from, FFileBytes, wanted, at); from = at + 1) {
        const uint8_t* signature = Chunk(at, SignatureBytes);
        if (!signature)
            return false;
        if (Le32(signature) == DescriptorSignature) {
            if (DescriptorChecksOut(at, true, zip64, dataStart) || DescriptorChecksOut(at, true, !zip64, dataStart))
                return true;
        } else if (unsignedInFront(at)) {
            return true;
        }
    }
    // The last entry of a file cut right behind it.
    return unsignedInFront(FFileBytes);
}

TLocalHeaderWalk::THeaderRead TLocalHeaderWalk::ReadEntry(uint64_t at, bool foundByScan)
{
    const uint8_t* fixed = Chunk(at, LocalHeaderBytes);
    if (!fixed)
        return hrEnd;
    if (Le32(fixed) != LocalHeaderSignature)
        return hrNoHeader;
    const size_t nameBytes = Le16(fixed + LocalField::NameLength);
    const size_t extraBytes = Le16(fixed + LocalField::ExtraLength);
    const uint8_t* header = Chunk(at, LocalHeaderBytes + nameBytes + extraBytes);
    if (!header)
        return hrEnd;  // the header itself is cut: its entry has no name to list
    if (nameBytes == 0 && foundByScan)
        return hrNoHeader;
    const uint8_t* name = header + LocalHeaderBytes;
    FEntry = TZipEntry();
    FEntry.Flags = Le16(header + LocalField::Flags);
    FEntry.Method = Le16(header + LocalField::Method);
    FEntry.DosDateTime = Le32(header + LocalField::DosDateTime);
    FEntry.Crc32 = Le32(header + LocalField::Crc32);
    FEntry.CompressedSize = Le32(header + LocalField::CompressedSize);
    FEntry.UncompressedSize = Le32(header + LocalField::UncompressedSize);
    FEntry.LocalHeaderOffset = at;
    bool zip64 = false;
    bool sizesKnown = true;
    bool unicodeName = false;
    ForEachExtraField(name + nameBytes, extraBytes, [&](uint16_t id, const uint8_t* field, size_t fieldBytes) {
        if (id == Zip64ExtraId) {
            zip64 = true;
            sizesKnown = TakeZip64Values(field, fieldBytes, {&FEntry.UncompressedSize, &FEntry.CompressedSize});
        } else if (id == UnicodePathExtraId && !unicodeName) {
            unicodeName = TakeUnicodePathName(field, fieldBytes, name, nameBytes, MaxEntryNameBytes, FEntry.FileName);
        } else if (id == AesExtraId && FEntry.Method == zmAes) {
            TakeAesField(field, fieldBytes, FEntry.Aes);
        }
        return true;
    });
    if (!unicodeName)
        DecodeEntryNameInto(FEntry.FileName, name, nameBytes, FEntry.Flags, NoHostSaid, MaxEntryNameBytes);
    const uint64_t dataStart = at + LocalHeaderBytes + nameBytes + extraBytes;

    bool whole = false;
    if (FEntry.Flags & gpDescriptor)
        whole = FindDescriptor(dataStart, zip64);
    else if (!sizesKnown)
        return hrNoHeader;
    else if (FEntry.CompressedSize <= FFileBytes - dataStart)
        whole = !foundByScan || RecordOrEndAt(dataStart + FEntry.CompressedSize);
    if (whole) {
        if (!(FEntry.Flags & gpDescriptor))
            FEntryEnd = dataStart + FEntry.CompressedSize;
        return hrEntry;
    }
    // A header found by scanning must prove itself with its data.
    if (foundByScan)
        return hrNoHeader;
    // Cut off by the end of the file (or its descriptor is nowhere): listed,
    // never extracted, and nothing behind it can be found.
    FEntry.Damage = edCut;
    FEntry.CompressedSize = FFileBytes - dataStart;
    FEntryEnd = FFileBytes;
    FDone = true;
    return hrEntry;
}

const TZipEntry* TLocalHeaderWalk::Next()
{
    if (FDone)
        return nullptr;
    bool byScan = FNextByScan;
    if (!FStarted) {
        FStarted = true;
        const uint8_t* first = Chunk(0, SignatureBytes);
        byScan = !first || Le32(first) != LocalHeaderSignature;
        if (byScan && !FindSignature(0, FirstHeaderReach, [](uint32_t s) { return s == LocalHeaderSignature; }, FNext)) {
            FDone = true;
            return nullptr;
        }
    }
    while (FCount < FMaxEntries) {
        const THeaderRead read = ReadEntry(FNext, byScan);
        if (read == hrEntry) {
            ++FCount;
            FNext = FEntryEnd;
            FNextByScan = false;
            return &FEntry;
        }
        if (read == hrEnd)
            break;
        // The directory (or the end record) behind the last entry ends the walk.
        const uint8_t* signature = Chunk(FNext, SignatureBytes);
        if (!byScan && signature && StartsRecord(Le32(signature)) && Le32(signature) != LocalHeaderSignature)
            break;
        if (!FindSignature(FNext + 1, FFileBytes, [](uint32_t s) { return s == LocalHeaderSignature; }, FNext))
            break;
        byScan = true;
    }
    FDone = true;
    return nullptr;
}

}  // namespace valbrix
