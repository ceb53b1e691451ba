// A password or a derived key: bytes that live only here, in memory the
// object owns, and are overwritten before that memory is given back, so no
// freed block or moved-from copy keeps them for a core dump to find. Not
// copyable; moving hands the one block over. A password also keeps its
// HMAC-SHA1 pad states once they are asked for: every AES entry of an
// archive derives its keys from the same password, and those states depend
// on nothing else; they are wiped with the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace valbrix {

class THmacSha1;

class TSecret {
public:
    TSecret();
    explicit TSecret(std::string_view text);
    ~TSecret();
    TSecret(TSecret&& other) noexcept;
    TSecret& operator=(TSecret&& other) noexcept;
    TSecret(const TSecret&) = delete;
    TSecret& operator=(const TSecret&) = delete;

    void Assign(const uint8_t* data, size_t bytes);
    // Wipes the bytes and forgets them; Empty() afterwards.
    void Clear();
    bool Empty() const { return FBytes == 0; }
    const uint8_t* Data() const { return FData.get(); }
    size_t Size() const { return FBytes; }
    // HMAC-SHA1 keyed with these bytes, made on first use and kept until
    // the bytes change. Made under const: one secret serves one thread (each
    // worker copies the kept passwords into its own).
    const THmacSha1& HmacSha1Key() const;

private:
    std::unique_ptr<uint8_t[]> FData;
    size_t FBytes = 0;
    mutable std::unique_ptr<THmacSha1> FHmacSha1;
};

}  // namespace valbrix
