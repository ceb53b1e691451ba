// Selection and passwords of a run; see the header.
#include "cli/RunSetup.h"

#include "cli/Messages.h"
#include "cli/NameText.h"

namespace valbrix::cli {

TNameFilter NameFilter(const std::vector<std::string>& names, const std::vector<std::string>& excluded)
{
    TNameFilter filter;
    for (const std::string& name : names)
        filter.Names.push_back(UnescapedName(name));
    for (const std::string& pattern : excluded)
        filter.Excluded.push_back(UnescapedName(pattern));
    return filter;
}

bool ReportNamesNotFound(const TArchiveSelection& selection)
{
    const std::vector<std::string> missing = selection.NamesNotFound();
    for (const std::string& name : missing)
        PrintEntryError(name, "not found in the archive");
    return missing.empty();
}

std::unique_ptr<TCliPasswordProvider> PasswordProvider(const std::optional<std::string>& passwordFile, bool& usable)
{
    usable = true;
    if (!passwordFile)
        return TCliPasswordProvider::FromTerminal();
    auto provider = TCliPasswordProvider::FromFile(*passwordFile);
    usable = provider != nullptr;
    return provider;
}

}  // namespace valbrix::cli
