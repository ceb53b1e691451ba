// The facts about this machine that the About dialog shows: system name and
// kernel, host and user name, memory and swap, processor model, count and
// speed. Each Read* function asks the operating system once and gives empty
// texts or zero figures for what it cannot learn; nothing here throws or
// blocks longer than a file read. The Parse* functions are the pure halves,
// so tests feed them crafted file contents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace valbrix::platform {

// From /etc/os-release: NAME, VERSION_ID, PRETTY_NAME (quotes removed).
struct TOsRelease {
    std::string Name;
    std::string VersionId;
    std::string PrettyName;
};
TOsRelease ParseOsRelease(std::string_view text);
TOsRelease ReadOsRelease();

// From uname: "Linux", "6.1.0-18-amd64", "x86_64".
struct TKernel {
    std::string SysName;
    std::string Release;
    std::string Machine;
};
TKernel ReadKernel();

std::string ReadHostName();
// The name of the effective user; $USER or $LOGNAME when the user database
// has no entry (as in some containers).
std::string ReadUserName();

// Byte counts in 64 bits, so machines above 4 GiB show their real memory.
// AvailPhys counts what programs can still get without swapping (the
// kernel's MemAvailable), not only the unused pages.
struct TMemoryFacts {
    bool Valid = false;
    uint64_t TotalPhys = 0;
    uint64_t AvailPhys = 0;
    uint64_t TotalSwap = 0;
    uint64_t AvailSwap = 0;
};
// MemAvailable of /proc/meminfo in bytes; false when the line is missing.
bool ParseMemAvailable(std::string_view meminfo, uint64_t& bytes);
TMemoryFacts ReadMemory();

// From /proc/cpuinfo: the first "model name", the first "cpu MHz" (0 when
// missing). The count comes from the online processors, not from the file.
struct TProcessorFacts {
    std::string ModelName;
    double MHz = 0;
    unsigned Count = 0;
};
TProcessorFacts ParseCpuInfo(std::string_view cpuinfo);
TProcessorFacts ReadProcessor();
// The processor's clock in MHz as the system reports it: the cpufreq
// maximum when the kernel offers it, else "cpu MHz"; 0 when neither exists.
// Reads files only: no measuring loop, no priority change.
double ReadCpuMHz();
// The processors online now; at least 1.
unsigned OnlineProcessors();

}  // namespace valbrix::platform
