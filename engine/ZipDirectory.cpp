// Placeholder until the directory reader lands.
#include "ZipDirectory.h"

namespace valbrix {
bool IsZipArchive(const std::string&) { return false; }
int OpenZipDirectory(const std::string&, TZipDirectory&) { return -1; }
int NextZipEntry(TZipDirectory&) { return -2; }
void CloseZipDirectory(TZipDirectory&) {}
void ListZipEntries(const std::string&, std::vector<TZipEntry>&) {}
}  // namespace valbrix
