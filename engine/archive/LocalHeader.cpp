// Reading of the local file header and the data descriptor. The header is
// read through the archive stream, whose buffer then usually holds the data
// behind it too; the descriptor through the engine state, since its bytes
// may already sit in the bit reader or the input buffer.
#include "engine/archive/LocalHeader.h"

#include <vector>

#include "engine/archive/ExtraFields.h"
#include "engine/LittleEndian.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix {

namespace {

// Takes the next whole byte behind the compressed data: first what the bit
// reader still holds, then the input buffer, then fresh reads. Unlike
// RefillInput it ignores the end-of-data rule, since the descriptor lies
// behind the data by definition.
bool TakeByte(TEngineState& state, uint8_t& byte)
{
    if (state.BitCount >= 8) {
        byte = uint8_t(state.BitBuf);
        state.DropBits(8);
        return true;
    }
    if (state.InPos > state.InLast) {
        const long count = state.ArchiveFile->Read(state.InBuf, InBufSize);
        if (count <= 0)
            return false;
        state.BytesRead += uint64_t(count);
        state.InLast = int32_t(count) - 1;
        state.InPos = 0;
    }
    byte = state.InBuf[state.InPos++];
    return true;
}

bool TakeLe32(TEngineState& state, uint32_t& value)
{
    uint8_t bytes[4];
    for (auto& byte : bytes)
        if (!TakeByte(state, byte))
            return false;
    value = Le32(bytes);
    return true;
}

}  // namespace

bool ReadLocalHeader(TArchiveStream& archive, uint64_t offset, TLocalHeader& header)
{
    uint8_t raw[LocalHeaderBytes];
    archive.Seek(offset);  // the caller chose how far the first read reaches
    if (archive.Read(raw, sizeof raw) != long(sizeof raw))
        return false;
    if (Le32(raw) != LocalHeaderSignature)
        return false;
    header.Flags = Le16(raw + LocalField::Flags);
    header.Method = Le16(raw + LocalField::Method);
    header.DosDateTime = Le32(raw + LocalField::DosDateTime);
    header.Crc32 = Le32(raw + LocalField::Crc32);
    header.CompressedSize = Le32(raw + LocalField::CompressedSize);
    header.UncompressedSize = Le32(raw + LocalField::UncompressedSize);
    const uint16_t nameLength = Le16(raw + LocalField::NameLength);
    const uint16_t extraLength = Le16(raw + LocalField::ExtraLength);
    const uint64_t extraOffset = offset + LocalHeaderBytes + nameLength;
    header.DataOffset = extraOffset + extraLength;
    header.Aes = TAesInfo();
    const bool saturated = header.CompressedSize == SizeKeptElsewhere || header.UncompressedSize == SizeKeptElsewhere;
    if ((saturated || header.Method == zmAes) && extraLength > 0) {
        std::vector<uint8_t> extra(extraLength);
        archive.Seek(extraOffset);
        if (archive.Read(extra.data(), extra.size()) != long(extra.size()))
            return false;
        // Sizes the writer kept elsewhere (no ZIP64 field: descriptor, directory) stay saturated here.
        bool complete = true;
        ForEachExtraField(extra.data(), extra.size(), [&](uint16_t id, const uint8_t* field, size_t fieldBytes) {
            if (id == Zip64ExtraId && saturated)
                complete = TakeZip64Values(field, fieldBytes, {&header.UncompressedSize, &header.CompressedSize});
            else if (id == AesExtraId && header.Method == zmAes)
                TakeAesField(field, fieldBytes, header.Aes);
            return complete;
        });
        return complete;
    }
    return true;
}

// A header with the descriptor flag and no compressed size, or with the
// streaming marks, gives no sizes. The central directory's sizes (when the
// caller passes them) stand in; without them a decoder runs to its own end
// on the "unknown" size, and a stored entry has nothing to copy.
bool TakeSizes(const TLocalHeader& header, std::optional<uint64_t> compressedSize,
               std::optional<uint64_t> uncompressedSize, TEngineState& state)
{
    const bool descriptor = header.Flags & gpDescriptor;
    const bool noLocalSizes = (descriptor && header.CompressedSize == 0) || header.CompressedSize == SizeKeptElsewhere;
    state.InputSize = header.CompressedSize;
    state.OutputSize = header.UncompressedSize;
    if (noLocalSizes && compressedSize) {
        state.InputSize = *compressedSize;
        state.OutputSize = uncompressedSize.value_or(UnknownSize);
    } else if (descriptor && header.Method != zmStored && header.CompressedSize == 0) {
        state.InputSize = UnknownSize;
        state.OutputSize = UnknownSize;
    }
    // Stored bytes are their own output: of two different sizes one lies,
    // and a CRC over the bytes copied cannot tell which. An encrypted
    // entry's compressed size also counts its encryption header.
    if (header.Method == zmStored && !(header.Flags & gpEncrypted)
        && (state.InputSize != state.OutputSize
            || (compressedSize && uncompressedSize && *compressedSize != *uncompressedSize)))
        return false;
    return state.InputSize <= MaxEntrySize && state.OutputSize <= MaxEntrySize;
}

// The descriptor's "PK" 07 08 signature is optional and many writers leave
// it out, so the first 4 bytes are the CRC unless they are that signature.
int ReadDescriptorCrc(TEngineState& state, uint16_t method, uint32_t& expectedCrc)
{
    if (method == zmStored) {  // CopyStored bypassed InBuf; the archive sits right behind the data
        state.ResetInput();
        state.WindowPos = 0;
    } else {
        state.DropBits(state.BitCount % 8);
    }
    // A refill already ran past the data: the buffer was offered again and means nothing.
    if (state.InputEof)
        return erRead;
    uint32_t first = 0;
    if (!TakeLe32(state, first))
        return erRead;
    if (first != DescriptorSignature) {
        expectedCrc = first;
        return erOk;
    }
    return TakeLe32(state, expectedCrc) ? erOk : erRead;
}

}  // namespace valbrix
