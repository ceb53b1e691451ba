// The traditional cipher; see the header. Its CRC steps are the byte-wise
// ones of the format's CRC-32 table, one byte at a time, since each key
// depends on the byte before.
#include "engine/crypto/ZipCrypto.h"

#include <openssl/crypto.h>

#include "engine/Crc32.h"

namespace valbrix {

namespace {

uint32_t CrcStep(uint32_t crc, uint8_t byte)
{
    return CrcTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

}  // namespace

TZipCryptoKeys::TZipCryptoKeys(const TSecret& password) : FKeys{0x12345678u, 0x23456789u, 0x34567890u}
{
    for (size_t i = 0; i < password.Size(); ++i)
        Update(password.Data()[i]);
}

TZipCryptoKeys::~TZipCryptoKeys()
{
    OPENSSL_cleanse(FKeys, sizeof FKeys);
}

void TZipCryptoKeys::Update(uint8_t plain)
{
    FKeys[0] = CrcStep(FKeys[0], plain);
    FKeys[1] = (FKeys[1] + (FKeys[0] & 0xFFu)) * 134775813u + 1u;
    FKeys[2] = CrcStep(FKeys[2], uint8_t(FKeys[1] >> 24));
}

bool TZipCryptoKeys::CheckHeader(uint8_t (&header)[ZipCryptoHeaderBytes], uint8_t checkByte)
{
    Decrypt(header, ZipCryptoHeaderBytes);
    return header[ZipCryptoHeaderBytes - 1] == checkByte;
}

void TZipCryptoKeys::Decrypt(uint8_t* data, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i) {
        data[i] ^= StreamByte();
        Update(data[i]);
    }
}

}  // namespace valbrix
