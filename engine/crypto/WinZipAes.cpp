// AES entries; see the header. libcrypto's own counter mode counts
// big-endian, so the counter blocks are written here and enciphered in
// batches by the plain block cipher.
#include "engine/crypto/WinZipAes.h"

#include <algorithm>
#include <cstring>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include "engine/ResultCodes.h"
#include "engine/archive/LittleEndian.h"

namespace valbrix {

namespace {

constexpr int Pbkdf2Rounds = 1000;
constexpr size_t MacCodeBytes = 20;  // HMAC-SHA1; the archive keeps the first AesAuthCodeBytes

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

}  // namespace

size_t AesSaltBytes(uint8_t strength)
{
    return strength >= 1 && strength <= 3 ? 4u + 4u * strength : 0u;
}

TWinZipAes::~TWinZipAes()
{
    EVP_CIPHER_CTX_free(FCipher);
    EVP_MAC_CTX_free(FMac);
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
    static const char Empty = 0;  // the library wants a pointer even for an empty password
    if (!PKCS5_PBKDF2_HMAC_SHA1(password.Empty() ? &Empty : reinterpret_cast<const char*>(password.Data()),
                                int(password.Size()), salt, int(AesSaltBytes(strength)), Pbkdf2Rounds,
                                int(derivedBytes), keys.Bytes))
        return erEncryptionUnsupported;
    if (CRYPTO_memcmp(keys.Bytes + 2 * keyBytes, verifier, AesVerifierBytes) != 0)
        return erWrongPassword;

    FCipher = EVP_CIPHER_CTX_new();
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    FMac = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    EVP_MAC_free(mac);  // the context holds its own reference
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (!FCipher || !FMac || !EVP_EncryptInit_ex(FCipher, cipher, nullptr, keys.Bytes, nullptr) ||
        !EVP_CIPHER_CTX_set_padding(FCipher, 0) || !EVP_MAC_init(FMac, keys.Bytes + keyBytes, keyBytes, params))
        return erEncryptionUnsupported;
    return erOk;
}

void TWinZipAes::RefillKeystream()
{
    for (size_t block = 0; block < KeystreamBlocks; ++block) {
        StoreLe64(FKeystream + block * BlockBytes, FCounterLow);
        StoreLe64(FKeystream + block * BlockBytes + 8, FCounterHigh);
        FCounterHigh += ++FCounterLow == 0;
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
        const uint8_t* key = FKeystream + FKeystreamPos;
        for (size_t i = 0; i < count; ++i)
            data[i] ^= key[i];
        data += count;
        bytes -= count;
        FKeystreamPos += count;
    }
}

void TWinZipAes::Authenticate(const uint8_t* data, size_t bytes)
{
    EVP_MAC_update(FMac, data, bytes);
}

bool TWinZipAes::CodeMatches(const uint8_t (&code)[AesAuthCodeBytes])
{
    uint8_t computed[MacCodeBytes];
    size_t computedBytes = 0;
    const bool done = EVP_MAC_final(FMac, computed, &computedBytes, sizeof computed) && computedBytes == MacCodeBytes;
    const bool match = done && CRYPTO_memcmp(computed, code, AesAuthCodeBytes) == 0;
    OPENSSL_cleanse(computed, sizeof computed);
    return match;
}

}  // namespace valbrix
