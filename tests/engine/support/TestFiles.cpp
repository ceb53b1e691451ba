// Scratch folders, file I/O and tool runners for the tests.
#include "TestFiles.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace valbrix::test {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/valbrix-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    FPath = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    // Tests make files read-only on purpose; give write back so removal works.
    for (auto it = fs::recursive_directory_iterator(FPath, error); !error && it != fs::end(it); it.increment(error))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(FPath, error);
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const fs::path& path, const std::string& text)
{
    WriteFile(path, Bytes(text.begin(), text.end()));
}

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> FolderTree(const fs::path& folder)
{
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(item.path(), folder).string();
        if (item.is_directory()) {
            tree[name + "/"] = "";
        } else {
            const Bytes bytes = ReadFile(item.path());
            tree[name] = std::string(bytes.begin(), bytes.end());
        }
    }
    return tree;
}

CommandResult RunCommand(const std::string& commandLine)
{
    CommandResult result;
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> chunk;
    size_t count;
    while ((count = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.Output.append(chunk.data(), count);
    const int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool HaveTool(const std::string& program)
{
    return RunCommand("command -v " + Quote(program) + " >/dev/null 2>&1").ExitCode == 0;
}

bool RunningUnderCi()
{
    const char* value = std::getenv("CI");
    return value && *value && std::string(value) != "0" && std::string(value) != "false";
}

fs::path FixturesDir()
{
    std::error_code error;
    const fs::path dir = VALBRIX_FIXTURES;
    return fs::is_directory(dir, error) ? dir : fs::path();
}

Bytes TextLikeData(size_t size, uint32_t seed)
{
    static const char* const words[] = {"Archiv", "Datei", "Ordner", "entpacken", "und", "der", "die",
                                        "das", "Valbrix", "komprimiert", "Größe", "the", "of", "data",
                                        "0123", "\n", ", ", ". "};
    std::mt19937 random(seed);
    Bytes out;
    out.reserve(size + 16);
    while (out.size() < size) {
        const char* word = words[random() % std::size(words)];
        out.insert(out.end(), word, word + std::char_traits<char>::length(word));
        out.push_back(' ');
    }
    out.resize(size);
    return out;
}

Bytes RandomData(size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& byte : out)
        byte = uint8_t(random());
    return out;
}

uint32_t ReferenceCrc32(const Bytes& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace valbrix::test
