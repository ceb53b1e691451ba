// A password or a derived key: bytes that live only here, in memory the
// object owns, and are overwritten before that memory is given back, so no
// freed block or moved-from copy keeps them for a core dump to find. Not
// copyable; moving hands the one block over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace valbrix {

class TSecret {
public:
    TSecret() = default;
    explicit TSecret(std::string_view text) { Assign(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    ~TSecret() { Clear(); }
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

private:
    std::unique_ptr<uint8_t[]> FData;
    size_t FBytes = 0;
};

}  // namespace valbrix
