// What the driver reads from the archive around an entry's data: the local
// file header in front of it (with the 64-bit sizes of its extra field) and
// the data descriptor behind it, and the AES field of an encrypted entry. Which sizes stand when the header gives
// none is decided here too. A header that cannot be read or lacks its
// signature is refused; a descriptor cut short by the end of the archive
// gives the read error.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ExtraFields.h"
#include "engine/EngineState.h"

namespace valbrix {

struct TLocalHeader {
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t DosDateTime = 0;
    uint32_t Crc32 = 0;
    uint64_t CompressedSize = 0;   // 64-bit: a ZIP64 field may hold the real sizes
    uint64_t UncompressedSize = 0;
    uint64_t DataOffset = 0;  // 64-bit: offset + 30 + two 16-bit lengths may pass 4 GiB
    TAesInfo Aes;             // for method 99: AE version, key strength, real method
};

// Sizes that read 0xFFFFFFFF are taken from the header's ZIP64 field (each
// present only when its 32-bit field is saturated, uncompressed first).
// False when the header cannot be read in full, lacks its signature, or its
// ZIP64 field lacks a size it needs: the entry's size is unknown, and it is
// not guessed. The AES field of a method 99 entry is read too (a missing
// one leaves Aes.Version 0). Leaves the stream anywhere.
bool ReadLocalHeader(TArchiveStream& archive, uint64_t offset, TLocalHeader& header);

// Sets the state's InputSize and OutputSize for the entry. The optional
// sizes come from the central directory and stand in when the header gives
// none. False for a size no file can have (beyond MaxEntrySize), and for a
// stored entry whose header or directory gives two different sizes: a
// damaged header or directory.
bool TakeSizes(const TLocalHeader& header, std::optional<uint64_t> compressedSize,
               std::optional<uint64_t> uncompressedSize, TEngineState& state);

// After the decoder ended: reads the expected CRC from the data descriptor
// behind the compressed data. Returns erOk or erRead.
int ReadDescriptorCrc(TEngineState& state, uint16_t method, uint32_t& expectedCrc);

}  // namespace valbrix
