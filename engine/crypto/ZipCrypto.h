// The traditional PKWARE stream cipher: three 32-bit keys stirred by the
// password and then by every plain byte, and a 12-byte header in front of
// the data whose last byte checks the password. The check catches only 255
// of 256 wrong passwords; the entry's CRC catches the rest. The keys are
// wiped when the object dies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/crypto/Secret.h"

namespace valbrix {

// Bytes of the header in front of the encrypted data.
constexpr size_t ZipCryptoHeaderBytes = 12;

class TZipCryptoKeys {
public:
    explicit TZipCryptoKeys(const TSecret& password);
    ~TZipCryptoKeys();
    TZipCryptoKeys(const TZipCryptoKeys&) = delete;
    TZipCryptoKeys& operator=(const TZipCryptoKeys&) = delete;

    // Decrypts the header in place; true when its last byte is the check
    // byte (the high byte of the CRC, or of the MS-DOS time for an entry
    // whose CRC follows the data).
    bool CheckHeader(uint8_t (&header)[ZipCryptoHeaderBytes], uint8_t checkByte);
    void Decrypt(uint8_t* data, size_t bytes);

private:
    void Update(uint8_t plain);
    uint8_t StreamByte() const
    {
        const uint32_t temp = (FKeys[2] | 2u) & 0xFFFFu;
        return uint8_t((temp * (temp ^ 1u)) >> 8);
    }

    uint32_t FKeys[3];
};

}  // namespace valbrix
