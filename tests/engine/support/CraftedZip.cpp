// Byte-by-byte ZIP builder for tests.
#include "CraftedZip.h"

#include <algorithm>

#include "engine/archive/ZipFormat.h"
#include "engine/crypto/Secret.h"
#include "engine/crypto/ZipCrypto.h"

namespace valbrix::test {

void PutLe16(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void PutLe32(Bytes& out, uint32_t value)
{
    PutLe16(out, uint16_t(value));
    PutLe16(out, uint16_t(value >> 16));
}

void PutLe64(Bytes& out, uint64_t value)
{
    PutLe32(out, uint32_t(value));
    PutLe32(out, uint32_t(value >> 32));
}

static void PutText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

namespace {

bool HeaderPasses(const Bytes& archive, const TZipEntry& entry, const std::string& password)
{
    const size_t at = entry.LocalHeaderOffset;
    if (at + LocalHeaderBytes > archive.size())
        return false;
    const size_t dataAt = at + LocalHeaderBytes + (archive[at + 26] | archive[at + 27] << 8) +
                          (archive[at + 28] | archive[at + 29] << 8);
    if (dataAt + ZipCryptoHeaderBytes > archive.size())
        return false;
    const uint8_t checkByte = entry.Flags & gpDescriptor ? uint8_t(entry.DosDateTime >> 8) : uint8_t(entry.Crc32 >> 24);
    uint8_t header[ZipCryptoHeaderBytes];
    std::copy_n(archive.begin() + long(dataAt), ZipCryptoHeaderBytes, header);
    return TZipCryptoKeys(TSecret(password)).CheckHeader(header, checkByte);
}

}  // namespace

bool ZipCryptoHeaderPasses(const std::string& path, const TZipEntry& entry, const std::string& password)
{
    return HeaderPasses(ReadFile(path), entry, password);
}

std::string WrongZipCryptoPassword(const std::string& path, const TZipEntry& entry, bool fits)
{
    const Bytes archive = ReadFile(path);
    for (int i = 0; i < 100000; ++i) {
        const std::string candidate = "wrong" + std::to_string(i);
        if (HeaderPasses(archive, entry, candidate) == fits)
            return candidate;
    }
    return {};
}

std::vector<TZipEntry> EntriesOf(const TZipArchive& archive)
{
    std::vector<TZipEntry> entries;
    archive.ForEachEntry([&entries](const TZipEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    return entries;
}

CraftedEntry StoredEntry(const std::string& name, const Bytes& content)
{
    CraftedEntry entry;
    entry.Name = name;
    entry.Data = content;
    entry.Crc32 = ReferenceCrc32(content);
    entry.CompressedSize = entry.UncompressedSize = uint32_t(content.size());
    return entry;
}

Bytes CraftedZip::Build() const
{
    Bytes out = FPrefix;
    const uint32_t base = FAdjustOffsets ? 0 : uint32_t(FPrefix.size());
    FOffsets.clear();
    for (const CraftedEntry& e : FEntries) {
        FOffsets.push_back(uint32_t(out.size()));
        PutLe32(out, e.LocalSignature.value_or(0x04034B50));
        PutLe16(out, 20);                                   // version needed
        PutLe16(out, e.LocalFlags.value_or(e.Flags));
        PutLe16(out, e.LocalMethod.value_or(e.Method));
        PutLe32(out, e.DosDateTime);
        PutLe32(out, e.LocalCrc32.value_or(e.Crc32));
        PutLe32(out, e.LocalCompressedSize.value_or(e.CompressedSize));
        PutLe32(out, e.LocalUncompressedSize.value_or(e.UncompressedSize));
        PutLe16(out, uint16_t(e.Name.size()));
        PutLe16(out, uint16_t(e.Extra.size()));
        PutText(out, e.Name);
        out.insert(out.end(), e.Extra.begin(), e.Extra.end());
        out.insert(out.end(), e.Data.begin(), e.Data.end());
        if (e.DataDescriptor) {
            if (e.DescriptorSignature)
                PutLe32(out, 0x08074B50);
            PutLe32(out, e.Crc32);
            PutLe32(out, e.CompressedSize);
            PutLe32(out, e.UncompressedSize);
        }
    }
    const uint32_t directoryStart = uint32_t(out.size());
    for (size_t i = 0; i < FEntries.size(); ++i) {
        const CraftedEntry& e = FEntries[i];
        PutLe32(out, 0x02014B50);
        out.push_back(20);                                  // version made by
        out.push_back(e.HostSystem);
        PutLe16(out, 20);                                   // version needed
        PutLe16(out, e.Flags);
        PutLe16(out, e.Method);
        PutLe32(out, e.DosDateTime);
        PutLe32(out, e.Crc32);
        PutLe32(out, e.CompressedSize);
        PutLe32(out, e.UncompressedSize);
        PutLe16(out, uint16_t(e.Name.size()));
        PutLe16(out, uint16_t(e.Extra.size()));
        PutLe16(out, uint16_t(e.Comment.size()));
        PutLe16(out, 0);                                    // disk number
        PutLe16(out, 0);                                    // internal attributes
        PutLe32(out, e.ExternalAttributes);
        PutLe32(out, e.CentralOffsetField.value_or(FOffsets[i] - base));
        PutText(out, e.Name);
        out.insert(out.end(), e.Extra.begin(), e.Extra.end());
        PutText(out, e.Comment);
    }
    const uint32_t directorySize = uint32_t(int64_t(out.size()) - directoryStart + FDirectorySizeSkew);
    if (FZip64End) {
        const uint64_t recordAt = out.size();
        PutLe32(out, 0x06064B50);
        PutLe64(out, 44);                                   // bytes after this field
        PutLe16(out, 45);                                   // version made by
        PutLe16(out, 45);                                   // version needed
        PutLe32(out, 0);                                    // this disk
        PutLe32(out, 0);                                    // disk of the directory
        PutLe64(out, FEntries.size());
        PutLe64(out, FEntries.size());
        PutLe64(out, directorySize);
        PutLe64(out, directoryStart - base);
        PutLe32(out, 0x07064B50);                           // the locator
        PutLe32(out, 0);
        PutLe64(out, recordAt - base);
        PutLe32(out, 1);                                    // total disks
    }
    PutLe32(out, 0x06054B50);
    PutLe16(out, FZip64End ? 0xFFFF : 0);
    PutLe16(out, FZip64End ? 0xFFFF : 0);
    PutLe16(out, FZip64End ? 0xFFFF : uint16_t(FEntries.size()));
    PutLe16(out, FZip64End ? 0xFFFF : uint16_t(FEntries.size()));
    PutLe32(out, FZip64End ? 0xFFFFFFFFu : directorySize);
    PutLe32(out, FZip64End ? 0xFFFFFFFFu : directoryStart - base);
    PutLe16(out, uint16_t(FComment.size()));
    PutText(out, FComment);
    return out;
}

Bytes Zip64Extra(const std::vector<uint64_t>& values)
{
    Bytes out;
    PutLe16(out, 0x0001);
    PutLe16(out, uint16_t(values.size() * 8));
    for (uint64_t value : values)
        PutLe64(out, value);
    return out;
}

Bytes UnicodePathExtra(const std::string& utf8Name, uint32_t plainNameCrc, uint8_t version)
{
    Bytes out;
    PutLe16(out, 0x7075);
    PutLe16(out, uint16_t(5 + utf8Name.size()));
    out.push_back(version);
    PutLe32(out, plainNameCrc);
    PutText(out, utf8Name);
    return out;
}

Bytes LookalikeEndRecord(uint32_t directoryOffset, bool saturated)
{
    Bytes out;
    PutLe32(out, 0x06054B50);
    for (int field = 0; field < 4; ++field)           // disks and entry counts
        PutLe16(out, saturated ? 0xFFFF : field < 2 ? 0 : 1);
    PutLe32(out, saturated ? 0xFFFFFFFFu : 46);
    PutLe32(out, saturated ? 0xFFFFFFFFu : directoryOffset);
    PutLe16(out, 0);                                  // comment length
    return out;
}

Bytes LookalikeLocator(uint64_t recordOffset)
{
    Bytes out;
    PutLe32(out, 0x07064B50);
    PutLe32(out, 0);
    PutLe64(out, recordOffset);
    PutLe32(out, 1);
    return out;
}

Bytes DosStub(size_t size)
{
    Bytes stub(size, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    const size_t pages = (size + 511) / 512;
    const size_t lastPage = size % 512;
    stub[2] = uint8_t(lastPage);
    stub[3] = uint8_t(lastPage >> 8);
    stub[4] = uint8_t(pages);
    stub[5] = uint8_t(pages >> 8);
    return stub;
}

}  // namespace valbrix::test
