// The AES encryption of entries with method 99: keys derived from the
// password and the entry's salt by PBKDF2-HMAC-SHA1 (1,000 rounds), a
// 2-byte password verifier, AES in counter mode with a little-endian
// counter that starts at 1, and a 10-byte HMAC-SHA1 code over the
// encrypted bytes behind them. The block cipher comes from libcrypto, the
// key derivation and the MAC from the pad states of HmacSha1.h (the
// password's kept in its secret across entries); derived keys are wiped as
// soon as the cipher and the MAC hold them, and those are wiped with the
// object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/crypto/HmacSha1.h"
#include "engine/crypto/Secret.h"

struct evp_cipher_ctx_st;

namespace valbrix {

constexpr size_t AesVerifierBytes = 2;
constexpr size_t AesAuthCodeBytes = 10;
constexpr size_t AesMaxSaltBytes = 16;

// Salt bytes for the key strength of the 0x9901 field (1, 2, 3 for 128,
// 192, 256 bits); 0 for a strength that does not exist.
size_t AesSaltBytes(uint8_t strength);

class TWinZipAes {
public:
    TWinZipAes() = default;
    ~TWinZipAes();
    TWinZipAes(const TWinZipAes&) = delete;
    TWinZipAes& operator=(const TWinZipAes&) = delete;

    // Derives the keys and compares the verifier. Returns erOk,
    // erWrongPassword when the verifier differs, or erEncryptionUnsupported
    // for a strength that does not exist or a library failure.
    int Start(const TSecret& password, uint8_t strength, const uint8_t* salt,
              const uint8_t (&verifier)[AesVerifierBytes]);
    // Adds the encrypted bytes to the MAC, then decrypts them in place.
    void Decrypt(uint8_t* data, size_t bytes);
    // Adds encrypted bytes to the MAC without decrypting them (a decoder
    // stopped early, but every byte of the data is still authenticated).
    void Authenticate(const uint8_t* data, size_t bytes);
    // Compares the stored code with the MAC over everything seen, in
    // constant time; once per entry.
    bool CodeMatches(const uint8_t (&code)[AesAuthCodeBytes]);

private:
    void RefillKeystream();

    // Counter blocks enciphered per library call: enough to keep the
    // pipelined AES instructions busy, small enough to stay in cache.
    static constexpr size_t KeystreamBlocks = 256;
    static constexpr size_t BlockBytes = 16;

    evp_cipher_ctx_st* FCipher = nullptr;
    std::unique_ptr<THmacSha1> FMac;
    uint64_t FCounterLow = 1;   // the 128-bit little-endian counter of the next block
    uint64_t FCounterHigh = 0;
    uint8_t FKeystream[KeystreamBlocks * BlockBytes];
    size_t FKeystreamPos = sizeof FKeystream;  // next unused keystream byte
};

}  // namespace valbrix
