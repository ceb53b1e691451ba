// Folders an extraction driver reached, held open so that the next entry in
// one of them costs no walk. The window hands the job its entries sorted by
// file name, which visits the folders in turn: one held folder would be
// reopened for every entry. Up to a budget of folders stay held for the
// driver's life; the rest share one slot that follows the last entry, which
// in archive order (folder after folder) is all that is needed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/FileServices.h"

namespace valbrix {

class TReachedFolders {
public:
    // Folders held beyond the last one. Each is an open handle, so a job
    // shares one budget among its workers.
    void SetKept(size_t kept) { FKept = kept; }

    // The folder `name` below the handle with serial `base`, when held.
    const platform::TFolder* Find(uint64_t base, const std::string& name) const;
    // Holds `folder` (open) as `name` below `base`; a handle of another
    // base drops all held before. Valid until the next Keep or Forget.
    const platform::TFolder* Keep(uint64_t base, const std::string& name, std::unique_ptr<platform::TFolder> folder);
    // A held folder that went (removed meanwhile) is reached afresh next time.
    void Forget(const std::string& name);

private:
    uint64_t FBase = 0;
    size_t FKept = 0;
    std::unordered_map<std::string, std::unique_ptr<platform::TFolder>> FHeld;
    std::string FLastName;
    std::unique_ptr<platform::TFolder> FLast;
};

}  // namespace valbrix
