// The passwords given for the encrypted entries of an open archive, shared
// by every worker of an extraction and kept while the archive stays open.
// They are only ever added to, in the order given, so a worker can tell
// which it has tried on an entry by their indices, and an entry meets the
// same passwords whatever the number of workers.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "engine/crypto/Secret.h"

namespace valbrix {

class TKeptPasswords {
public:
    size_t Count() const;
    // Copies password `index` (below Count()) into `password`.
    void Get(size_t index, TSecret& password) const;
    void Keep(const TSecret& password);
    // Wipes every password.
    void Clear();

private:
    mutable std::mutex FLock;
    std::vector<TSecret> FPasswords;
};

}  // namespace valbrix
