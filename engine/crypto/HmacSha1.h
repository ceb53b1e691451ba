// HMAC-SHA1 with the key's inner and outer pad states hashed once, and
// PBKDF2 over it. PBKDF2 as the AES entries use it runs 2,000 HMACs of one
// block each per 20 derived bytes, all under the same key (the password):
// starting each from the two stored states and feeding libcrypto's SHA-1
// block function a block that is padded once costs two block hashes per
// HMAC, where the library's one-call PBKDF2 copies and frees hashing
// contexts around each of them. The same object serves as the MAC over an
// entry's encrypted data (key: the derived authentication key). The pad
// states are as secret as the key and are wiped with the object.
#pragma once

#include <cstddef>
#include <cstdint>

#include <openssl/sha.h>

namespace valbrix {

class THmacSha1 {
public:
    static constexpr size_t CodeBytes = 20;

    THmacSha1(const uint8_t* key, size_t keyBytes);
    ~THmacSha1();
    THmacSha1(const THmacSha1&) = delete;
    THmacSha1& operator=(const THmacSha1&) = delete;

    // The MAC of a message given in pieces; Final gives the code and
    // starts the next message.
    void Update(const uint8_t* data, size_t bytes);
    void Final(uint8_t (&code)[CodeBytes]);

    // PBKDF2 with this key as the password: outBytes bytes (any number)
    // derived from the salt in `rounds` rounds (at least 1).
    void Pbkdf2(const uint8_t* salt, size_t saltBytes, unsigned rounds, uint8_t* out, size_t outBytes) const;

private:
    SHA_CTX FInner;    // after the key xor the inner pad
    SHA_CTX FOuter;    // after the key xor the outer pad
    SHA_CTX FMessage;  // the inner hash of the message under way
};

}  // namespace valbrix
