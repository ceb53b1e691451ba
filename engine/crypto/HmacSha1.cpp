// HMAC-SHA1 and PBKDF2 over stored pad states; see the header.
//
// The SHA-1 calls used here are deprecated in libcrypto 3 in favour of its
// generic digest interface, which has no way to start a hash from a stored
// state without copying a context per hash: the cost we are here to avoid.
// They remain in every 3.x release.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "engine/crypto/HmacSha1.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

#include <openssl/crypto.h>

namespace valbrix {
namespace {

constexpr size_t ShaBlockBytes = SHA_CBLOCK;
static_assert(ShaBlockBytes == 64 && SHA_DIGEST_LENGTH == THmacSha1::CodeBytes);
constexpr uint8_t InnerPad = 0x36;
constexpr uint8_t OuterPad = 0x5C;

// SHA-1 keeps its words big-endian in the byte stream.
void StoreBe32(uint8_t* bytes, uint32_t value)
{
    if constexpr (std::endian::native == std::endian::little)
        value = __builtin_bswap32(value);
    std::memcpy(bytes, &value, sizeof value);
}

uint32_t LoadBe32(const uint8_t* bytes)
{
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little)
        value = __builtin_bswap32(value);
    return value;
}

void StoreDigest(uint8_t* bytes, const SHA_CTX& state)
{
    StoreBe32(bytes, state.h0);
    StoreBe32(bytes + 4, state.h1);
    StoreBe32(bytes + 8, state.h2);
    StoreBe32(bytes + 12, state.h3);
    StoreBe32(bytes + 16, state.h4);
}

// A state whose chaining words are those of `from`, ready for the block
// function (which reads and writes only those words).
void TakeChain(SHA_CTX& to, const SHA_CTX& from)
{
    to.h0 = from.h0;
    to.h1 = from.h1;
    to.h2 = from.h2;
    to.h3 = from.h3;
    to.h4 = from.h4;
}

// Wipes a stack buffer or state on every way out.
template <typename T>
struct TWipe {
    T& Value;
    ~TWipe() { OPENSSL_cleanse(&Value, sizeof Value); }
};

}  // namespace

THmacSha1::THmacSha1(const uint8_t* key, size_t keyBytes)
{
    uint8_t pad[ShaBlockBytes] = {};
    TWipe<decltype(pad)> wipePad{pad};
    // A key longer than a block is replaced by its hash.
    if (keyBytes > ShaBlockBytes)
        SHA1(key, keyBytes, pad);
    else if (keyBytes > 0)
        std::memcpy(pad, key, keyBytes);
    for (uint8_t& byte : pad)
        byte ^= InnerPad;
    SHA1_Init(&FInner);
    SHA1_Update(&FInner, pad, sizeof pad);
    for (uint8_t& byte : pad)
        byte ^= InnerPad ^ OuterPad;
    SHA1_Init(&FOuter);
    SHA1_Update(&FOuter, pad, sizeof pad);
    FMessage = FInner;
}

THmacSha1::~THmacSha1()
{
    OPENSSL_cleanse(&FInner, sizeof FInner);
    OPENSSL_cleanse(&FOuter, sizeof FOuter);
    OPENSSL_cleanse(&FMessage, sizeof FMessage);
}

void THmacSha1::Update(const uint8_t* data, size_t bytes)
{
    SHA1_Update(&FMessage, data, bytes);
}

void THmacSha1::Final(uint8_t (&code)[CodeBytes])
{
    SHA1_Final(code, &FMessage);
    FMessage = FOuter;
    SHA1_Update(&FMessage, code, CodeBytes);
    SHA1_Final(code, &FMessage);
    FMessage = FInner;
}

// Contract: rounds >= 1. Each output block i (from 1) is U1 ^ ... ^ Urounds
// with U1 = HMAC(salt || i as 4 big-endian bytes) and Un = HMAC(Un-1).
// From U2 on the message is one digest: the block to hash holds it, SHA-1's
// padding and the length of pad block plus digest, so only its first 20
// bytes change, and each HMAC is the block function run twice, once from
// each stored state. Every intermediate value is wiped before returning.
void THmacSha1::Pbkdf2(const uint8_t* salt, size_t saltBytes, unsigned rounds, uint8_t* out, size_t outBytes) const
{
    uint8_t block[ShaBlockBytes] = {};
    block[CodeBytes] = 0x80;
    StoreBe32(block + ShaBlockBytes - 4, uint32_t((ShaBlockBytes + CodeBytes) * 8));
    uint32_t sum[CodeBytes / 4];  // the xor of the rounds' codes, as SHA-1's words
    uint8_t sumBytes[CodeBytes];
    SHA_CTX state;
    TWipe<decltype(block)> wipeBlock{block};
    TWipe<decltype(sum)> wipeSum{sum};
    TWipe<decltype(sumBytes)> wipeSumBytes{sumBytes};
    TWipe<SHA_CTX> wipeState{state};
    for (uint32_t index = 1; outBytes > 0; ++index) {
        uint8_t indexBytes[4];
        StoreBe32(indexBytes, index);
        state = FInner;
        SHA1_Update(&state, salt, saltBytes);
        SHA1_Update(&state, indexBytes, sizeof indexBytes);
        SHA1_Final(block, &state);
        state = FOuter;
        SHA1_Update(&state, block, CodeBytes);
        SHA1_Final(block, &state);
        for (size_t i = 0; i < std::size(sum); ++i)
            sum[i] = LoadBe32(block + 4 * i);
        for (unsigned round = 1; round < rounds; ++round) {
            TakeChain(state, FInner);
            SHA1_Transform(&state, block);
            StoreDigest(block, state);
            TakeChain(state, FOuter);
            SHA1_Transform(&state, block);
            StoreDigest(block, state);
            sum[0] ^= state.h0;
            sum[1] ^= state.h1;
            sum[2] ^= state.h2;
            sum[3] ^= state.h3;
            sum[4] ^= state.h4;
        }
        for (size_t i = 0; i < std::size(sum); ++i)
            StoreBe32(sumBytes + 4 * i, sum[i]);
        const size_t count = std::min(outBytes, CodeBytes);
        std::memcpy(out, sumBytes, count);
        out += count;
        outBytes -= count;
    }
}

}  // namespace valbrix
