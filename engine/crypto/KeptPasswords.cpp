// The kept passwords; see the header.
#include "engine/crypto/KeptPasswords.h"

namespace valbrix {

size_t TKeptPasswords::Count() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FPasswords.size();
}

void TKeptPasswords::Get(size_t index, TSecret& password) const
{
    const std::lock_guard<std::mutex> lock(FLock);
    const TSecret& kept = FPasswords.at(index);
    password.Assign(kept.Data(), kept.Size());
}

void TKeptPasswords::Keep(const TSecret& password)
{
    TSecret copy;
    copy.Assign(password.Data(), password.Size());
    const std::lock_guard<std::mutex> lock(FLock);
    FPasswords.push_back(std::move(copy));  // TSecret moves its block: no copy is left unwiped
}

void TKeptPasswords::Clear()
{
    const std::lock_guard<std::mutex> lock(FLock);
    FPasswords.clear();  // each one wipes itself
}

}  // namespace valbrix
