// AES entries; see the header. libcrypto's own counter mode counts
// big-endian, so the counter blocks are written here and enciphered in
// batches by the plain block cipher.
#include "engine/crypto/WinZipAes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "engine/ResultCodes.h"
#include "engine/LittleEndian.h"

namespace valbrix {

namespace {

constexpr unsigned Pbkdf2Rounds = 1000;
constexpr size_t MacCodeBytes = THmacSha1::CodeBytes;  // the archive keeps the first AesAuthCodeBytes

const EVP_CIPHER* CipherFor(uint8_t strength)
{
    switch (strength) {
    case 1: return EVP_aes_128_ecb();
    case 2: return EVP_aes_192_ecb();
    case 3: return EVP_aes_256_ecb();
    default: return nullptr;
    }
}

// Wipes the derived bytes on every way out of Start.
struct TDerivedKeys {
    uint8_t Bytes[2 * 32 + AesVerifierBytes];
    ~TDerivedKeys() { OPENSSL_cleanse(Bytes, sizeof Bytes); }
};

// Sixteen bytes at a time: a byte loop over two buffers the compiler cannot
// prove apart stays a byte loop.
void XorInto(uint8_t* data, const uint8_t* key, size_t bytes)
{
    using TVector = uint8_t __attribute__((vector_size(16)));
    size_t i = 0;
    for (; i + sizeof(TVector) <= bytes; i += sizeof(TVector)) {
        TVector word, keyWord;
        std::memcpy(&word, data + i, sizeof word);
        std::memcpy(&keyWord, key + i, sizeof keyWord);
        word ^= keyWord;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < bytes; ++i)
        data[i] ^= key[i];
}

}  // namespace

size_t AesSaltBytes(uint8_t strength)
{
    return strength >= 1 && strength <= 3 ? 4u + 4u * strength : 0u;
}

TWinZipAes::~TWinZipAes()
{
    EVP_CIPHER_CTX_free(FCipher);
    OPENSSL_cleanse(FKeystream, sizeof FKeystream);
}

int TWinZipAes::Start(const TSecret& password, uint8_t strength, const uint8_t* salt,
                      const uint8_t (&verifier)[AesVerifierBytes])
{
    const EVP_CIPHER* cipher = CipherFor(strength);
    if (!cipher)
        return erEncryptionUnsupported;
    const size_t keyBytes = 8u + 8u * strength;
    TDerivedKeys keys;
    const size_t derivedBytes = 2 * keyBytes + AesVerifierBytes;
    password.HmacSha1Key().Pbkdf2(salt, AesSaltBytes(strength), Pbkdf2Rounds, keys.Bytes, derivedBytes);
    if (CRYPTO_memcmp(keys.Bytes + 2 * keyBytes, verifier, AesVerifierBytes) != 0)
        return erWrongPassword;

    FCipher = EVP_CIPHER_CTX_new();
    if (!FCipher || !EVP_EncryptInit_ex(FCipher, cipher, nullptr, keys.Bytes, nullptr) ||
        !EVP_CIPHER_CTX_set_padding(FCipher, 0))
        return erEncryptionUnsupported;
    FMac = std::make_unique<THmacSha1>(keys.Bytes + keyBytes, keyBytes);
    return erOk;
}

void TWinZipAes::RefillKeystream()
{
    if (FCounterLow <= UINT64_MAX - KeystreamBlocks) {
        // The high half stays as it is for the whole batch (always, in practice).
        for (size_t block = 0; block < KeystreamBlocks; ++block) {
            StoreLe64(FKeystream + block * BlockBytes, FCounterLow + block);
            StoreLe64(FKeystream + block * BlockBytes + 8, FCounterHigh);
        }
        FCounterLow += KeystreamBlocks;
    } else {
        for (size_t block = 0; block < KeystreamBlocks; ++block) {
            StoreLe64(FKeystream + block * BlockBytes, FCounterLow);
            StoreLe64(FKeystream + block * BlockBytes + 8, FCounterHigh);
            FCounterHigh += ++FCounterLow == 0;
        }
    }
    int outBytes = 0;
    EVP_EncryptUpdate(FCipher, FKeystream, &outBytes, FKeystream, int(sizeof FKeystream));
    FKeystreamPos = 0;
}

void TWinZipAes::Decrypt(uint8_t* data, size_t bytes)
{
    Authenticate(data, bytes);
    while (bytes > 0) {
        if (FKeystreamPos == sizeof FKeystream)
            RefillKeystream();
        const size_t count = std::min(bytes, sizeof FKeystream - FKeystreamPos);
        XorInto(data, FKeystream + FKeystreamPos, count);
        data += count;
        bytes -= count;
        FKeystreamPos += count;
    }
}

void TWinZipAes::Authenticate(const uint8_t* data, size_t bytes)
{
    FMac->Update(data, bytes);
}

bool TWinZipAes::CodeMatches(const uint8_t (&code)[AesAuthCodeBytes])
{
    uint8_t computed[MacCodeBytes];
    FMac->Final(computed);
    const bool match = CRYPTO_memcmp(computed, code, AesAuthCodeBytes) == 0;
    OPENSSL_cleanse(computed, sizeof computed);
    return match;
}

}  // namespace valbrix
