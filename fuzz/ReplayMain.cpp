// Runs a fuzz target over every file of the folders (or files) given, so the
// seed corpus and past crashers replay in every build, fuzzer or not.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static int ReplayFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 1;
}

int main(int argc, char** argv)
{
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& item : fs::recursive_directory_iterator(argv[i]))
                if (item.is_regular_file())
                    count += ReplayFile(item.path());
        } else if (fs::is_regular_file(argv[i], error)) {
            count += ReplayFile(argv[i]);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
