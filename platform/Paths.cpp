// Paths; see the header.
#include "platform/Paths.h"

#include <filesystem>
#include <system_error>

namespace valbrix::platform {

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string FileNamePart(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string FolderPart(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return (std::filesystem::path(folder) / name).string();
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

int CreateFolders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return error.value();
}

}  // namespace valbrix::platform
