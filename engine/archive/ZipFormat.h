// The facts of the ZIP format that more than one reader needs, in one place:
// record signatures and sizes, the field offsets of the local header, the
// central file header and the end record, the general purpose flag bits,
// host systems, MS-DOS attributes, method numbers, and the MS-DOS date and
// time layout. Only constants and pure decoding; no state, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/FileServices.h"

namespace valbrix {

// Record signatures, as the little-endian 32-bit values that start each record ("PK" x y).
constexpr uint32_t LocalHeaderSignature = 0x04034B50u;    // "PK" 03 04
constexpr uint32_t CentralHeaderSignature = 0x02014B50u;  // "PK" 01 02
constexpr uint32_t EndRecordSignature = 0x06054B50u;      // "PK" 05 06
constexpr uint32_t DescriptorSignature = 0x08074B50u;     // "PK" 07 08, optional before a data descriptor
constexpr uint32_t Zip64EndSignature = 0x06064B50u;       // "PK" 06 06
constexpr uint32_t Zip64LocatorSignature = 0x07064B50u;   // "PK" 06 07
constexpr uint32_t DigitalSignatureSignature = 0x05054B50u; // "PK" 05 05, the directory's optional last record
constexpr size_t SignatureBytes = 4;

// Fixed parts of the records, in bytes; names, extra fields and comments follow.
constexpr size_t LocalHeaderBytes = 30;
constexpr size_t CentralHeaderBytes = 46;
constexpr size_t EndRecordBytes = 22;
constexpr size_t Zip64LocatorBytes = 20;
constexpr size_t Zip64EndRecordBytes = 56;  // without its extensible data
constexpr size_t DigitalSignatureHeaderBytes = 6;  // signature, then a 16-bit size of the data behind it
constexpr size_t MaxArchiveCommentBytes = 0xFFFF;  // the end record counts it in 16 bits

// Field offsets from the start of a local file header.
namespace LocalField {
constexpr size_t Flags = 6;
constexpr size_t Method = 8;
constexpr size_t DosDateTime = 10;  // time (16 bits), then date (16 bits)
constexpr size_t Crc32 = 14;
constexpr size_t CompressedSize = 18;
constexpr size_t UncompressedSize = 22;
constexpr size_t NameLength = 26;
constexpr size_t ExtraLength = 28;
}  // namespace LocalField

// Field offsets from the start of a central file header.
namespace CentralField {
constexpr size_t HostSystem = 5;  // high byte of "version made by"
constexpr size_t Flags = 8;
constexpr size_t Method = 10;
constexpr size_t DosDateTime = 12;
constexpr size_t Crc32 = 16;
constexpr size_t CompressedSize = 20;
constexpr size_t UncompressedSize = 24;
constexpr size_t NameLength = 28;
constexpr size_t ExtraLength = 30;
constexpr size_t CommentLength = 32;
constexpr size_t DiskStart = 34;      // the part ("disk") of a spanned set the local header is on
constexpr size_t DosAttributes = 38;  // low byte of the external attributes
constexpr size_t UnixMode = 40;       // high 16 bits of the external attributes
constexpr size_t LocalHeaderOffset = 42;
}  // namespace CentralField

// Field offsets from the start of the end of central directory record.
namespace EndField {
constexpr size_t DiskNumber = 4;
constexpr size_t DirectoryDisk = 6;
constexpr size_t DiskEntries = 8;
constexpr size_t TotalEntries = 10;
constexpr size_t DirectoryBytes = 12;
constexpr size_t DirectoryOffset = 16;
constexpr size_t CommentLength = 20;  // the archive comment follows the record
}  // namespace EndField

// Field offsets from the start of the ZIP64 end record locator and the ZIP64 end record.
namespace Zip64LocatorField {
constexpr size_t EndRecordDisk = 4;
constexpr size_t EndRecordOffset = 8;
constexpr size_t TotalDisks = 16;
}  // namespace Zip64LocatorField
namespace Zip64EndField {
constexpr size_t DirectoryDisk = 20;
constexpr size_t TotalEntries = 32;
constexpr size_t DirectoryBytes = 40;
constexpr size_t DirectoryOffset = 48;
}  // namespace Zip64EndField

// General purpose flag bits.
constexpr uint16_t gpEncrypted = 0x0001;
constexpr uint16_t gpDescriptor = 0x0008;  // CRC and sizes follow the data
constexpr uint16_t gpStrongEncryption = 0x0040;  // the certificate-based encryption, with its own header
constexpr uint16_t gpUtf8Name = 0x0800;    // the name and comment are UTF-8
constexpr uint16_t gpMaskedHeaders = 0x2000;  // the central directory is encrypted, local values masked

// Encryption that no password opens here: the certificate-based kind, or a
// directory encrypted too (its local values are masked).
inline bool EncryptionUnsupported(uint16_t flags)
{
    return (flags & gpEncrypted) && (flags & (gpStrongEncryption | gpMaskedHeaders));
}

// Version-made-by high byte of MS-DOS (and FAT file systems in general).
constexpr uint8_t hsMsDos = 0;
// Hosts whose writers keep a Unix mode (type and permission bits) in the
// high 16 bits of the external attributes: Unix, BeOS, OS X, AtheOS.
inline bool HostKeepsUnixMode(uint8_t hostSystem)
{
    return hostSystem == 3 || hostSystem == 16 || hostSystem == 19 || hostSystem == 30;
}

// The file type of a stored Unix mode, and its permission bits (rwx for
// user, group and other; set-id and sticky bits are never applied).
constexpr uint16_t UnixTypeMask = 0xF000;
constexpr uint16_t UnixTypeLink = 0xA000;
constexpr uint16_t UnixTypeFolder = 0x4000;
constexpr uint16_t UnixPermissionBits = 0777;

// MS-DOS attribute bits.
constexpr uint16_t faReadOnly = 0x01;
constexpr uint16_t faFolder = 0x10;

// Compression methods by their number in the headers; the ones without a
// decoder here are named so that the front ends can say what they refuse.
enum TZipMethod : uint16_t {
    zmStored = 0,
    zmShrunk = 1,
    zmReduced1 = 2,  // reduced with compression factors 1 to 4
    zmReduced2 = 3,
    zmReduced3 = 4,
    zmReduced4 = 5,
    zmImploded = 6,
    zmTokenized = 7,
    zmDeflated = 8,
    zmDeflate64 = 9,
    zmDclImploded = 10,
    zmBzip2 = 12,
    zmLzma = 14,
    zmTerse = 18,
    zmLz77 = 19,
    zmZstandard = 93,
    zmMp3 = 94,
    zmXz = 95,
    zmJpeg = 96,
    zmWavPack = 97,
    zmPpmd = 98,
    zmAes = 99,  // AES-encrypted; the real method sits in the AesExtraId field
};

// Extra field holding the 64-bit sizes, and the 32-bit value a size field
// holds when its real value is kept there (or elsewhere, for a streaming
// writer); a 16-bit count or disk number of the end record saturated the
// same way has its value in the ZIP64 end record.
constexpr uint16_t Zip64ExtraId = 0x0001;
// Extra field holding a UTF-8 name beside the plain one.
constexpr uint16_t UnicodePathExtraId = 0x7075;
// Extra field of AES-encrypted entries: version, vendor "AE", key strength, real method.
constexpr uint16_t AesExtraId = 0x9901;
namespace AesField {
constexpr size_t Version = 0;   // 16 bits: 1 (AE-1, with the CRC) or 2 (AE-2, CRC zero)
constexpr size_t Vendor = 2;    // the two letters "AE"
constexpr size_t Strength = 4;  // 1, 2, 3: AES-128, -192, -256
constexpr size_t Method = 5;    // 16 bits: the method of the data under the encryption
constexpr size_t Bytes = 7;
}  // namespace AesField
// Extra fields with exact times: the extended timestamp (UTC seconds) and NTFS (100 ns, UTC).
constexpr uint16_t UnixTimeExtraId = 0x5455;
constexpr uint16_t NtfsTimeExtraId = 0x000A;
constexpr uint32_t SizeKeptElsewhere = 0xFFFFFFFFu;
constexpr uint16_t CountKeptElsewhere = 0xFFFF;

// The data descriptor after an entry's data: its optional signature, the
// CRC, and both sizes in 32 bits, or in 64 bits for an entry with a ZIP64 field.
constexpr size_t DescriptorFields32 = 12;
constexpr size_t DescriptorFields64 = 20;
constexpr size_t DescriptorMaxBytes = SignatureBytes + DescriptorFields64;

// An MS-DOS date (high 16 bits) and time (low 16 bits) as their fields
// stand, valid or not: month 0 or second 62 come out as stored, and the
// caller decides what a date that names no day means.
inline platform::TLocalTime DecodeDosDateTime(uint32_t dosDateTime)
{
    const unsigned date = dosDateTime >> 16;
    const unsigned time = dosDateTime & 0xFFFF;
    platform::TLocalTime local;
    local.Year = int(1980 + (date >> 9));
    local.Month = int((date >> 5) & 0x0F);
    local.Day = int(date & 0x1F);
    local.Hour = int(time >> 11);
    local.Minute = int((time >> 5) & 0x3F);
    local.Second = int(time & 0x1F) * 2;
    return local;
}

}  // namespace valbrix
