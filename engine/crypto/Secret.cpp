// Secret bytes; see the header. The wipe goes through the crypto library's
// cleanse, which the compiler may not drop as a dead store.
#include "engine/crypto/Secret.h"

#include <cstring>
#include <utility>

#include <openssl/crypto.h>

#include "engine/crypto/HmacSha1.h"

namespace valbrix {

TSecret::TSecret() = default;

TSecret::TSecret(std::string_view text)
{
    Assign(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TSecret::~TSecret()
{
    Clear();
}

TSecret::TSecret(TSecret&& other) noexcept
    : FData(std::move(other.FData)), FBytes(std::exchange(other.FBytes, 0)), FHmacSha1(std::move(other.FHmacSha1))
{
}

TSecret& TSecret::operator=(TSecret&& other) noexcept
{
    if (this != &other) {
        Clear();
        FData = std::move(other.FData);
        FBytes = std::exchange(other.FBytes, 0);
        FHmacSha1 = std::move(other.FHmacSha1);
    }
    return *this;
}

void TSecret::Assign(const uint8_t* data, size_t bytes)
{
    Clear();
    if (bytes == 0)
        return;
    FData = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    std::memcpy(FData.get(), data, bytes);
    FBytes = bytes;
}

void TSecret::Clear()
{
    if (FData)
        OPENSSL_cleanse(FData.get(), FBytes);
    FData.reset();
    FBytes = 0;
    FHmacSha1.reset();  // its destructor wipes the pad states
}

const THmacSha1& TSecret::HmacSha1Key() const
{
    if (!FHmacSha1)
        FHmacSha1 = std::make_unique<THmacSha1>(FData.get(), FBytes);
    return *FHmacSha1;
}

}  // namespace valbrix
