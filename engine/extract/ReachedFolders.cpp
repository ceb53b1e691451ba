// Folders held open for the driver; see the header.
#include "engine/extract/ReachedFolders.h"

namespace valbrix {

const platform::TFolder* TReachedFolders::Find(uint64_t base, const std::string& name) const
{
    if (base != FBase)
        return nullptr;
    if (FLast && FLastName == name)
        return FLast.get();
    const auto held = FHeld.find(name);
    return held == FHeld.end() ? nullptr : held->second.get();
}

const platform::TFolder* TReachedFolders::Keep(uint64_t base, const std::string& name,
                                               std::unique_ptr<platform::TFolder> folder)
{
    if (base != FBase) {
        FHeld.clear();
        FLast.reset();
        FBase = base;
    }
    // Held ones stay once taken: cycling through more folders than the
    // budget would otherwise drop each one just before its next turn.
    if (FHeld.size() < FKept) {
        auto& slot = FHeld[name];
        slot = std::move(folder);
        return slot.get();
    }
    FLastName = name;
    FLast = std::move(folder);
    return FLast.get();
}

void TReachedFolders::Forget(const std::string& name)
{
    if (FLast && FLastName == name)
        FLast.reset();
    FHeld.erase(name);
}

}  // namespace valbrix
