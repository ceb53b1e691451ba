// The system facts from POSIX calls and the kernel's text files; see the header.
#include "SystemFacts.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace valbrix::platform {

namespace {

std::string ReadTextFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : std::string();
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Calls visit(key, value) for each "key<separator>value" line.
template <typename Visit>
void ForEachLine(std::string_view text, char separator, Visit visit)
{
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto split = line.find(separator);
        if (split != std::string_view::npos && visit(Trim(line.substr(0, split)), Trim(line.substr(split + 1))))
            return;
    }
}

// os-release values may be quoted with ' or " and use backslash escapes.
std::string Unquote(std::string_view value)
{
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') || value.back() != value.front())
        return std::string(value);
    std::string text;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        text += value[i];
    }
    return text;
}

double ParseDouble(std::string_view text)
{
    // strtod would follow the process locale ("2400,000" under de_DE); the
    // kernel always writes a dot.
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0;
}

}  // namespace

TOsRelease ParseOsRelease(std::string_view text)
{
    TOsRelease release;
    ForEachLine(text, '=', [&](std::string_view key, std::string_view value) {
        if (key == "NAME")
            release.Name = Unquote(value);
        else if (key == "VERSION_ID")
            release.VersionId = Unquote(value);
        else if (key == "PRETTY_NAME")
            release.PrettyName = Unquote(value);
        return false;
    });
    return release;
}

TOsRelease ReadOsRelease()
{
    std::string text = ReadTextFile("/etc/os-release");
    if (text.empty())
        text = ReadTextFile("/usr/lib/os-release");
    return ParseOsRelease(text);
}

TKernel ReadKernel()
{
    utsname names {};
    if (uname(&names) != 0)
        return {};
    return {names.sysname, names.release, names.machine};
}

std::string ReadHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;  // cut at the first zero, as the buffer guarantees one
}

std::string ReadUserName()
{
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return found->pw_name;
    for (const char* variable : {"USER", "LOGNAME"})
        if (const char* value = std::getenv(variable); value && *value)
            return value;
    return {};
}

bool ParseMemAvailable(std::string_view meminfo, uint64_t& bytes)
{
    bool found = false;
    ForEachLine(meminfo, ':', [&](std::string_view key, std::string_view value) {
        if (key != "MemAvailable")
            return false;
        uint64_t kib = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), kib);
        found = result.ec == std::errc() && Trim(std::string_view(result.ptr, value.data() + value.size() - result.ptr)) == "kB";
        bytes = kib * 1024;
        return true;
    });
    return found;
}

TMemoryFacts ReadMemory()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return {};
    // The counts are in units of mem_unit bytes; multiply in 64 bits.
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    TMemoryFacts memory;
    memory.Valid = true;
    memory.TotalPhys = uint64_t(info.totalram) * unit;
    memory.TotalSwap = uint64_t(info.totalswap) * unit;
    memory.AvailSwap = uint64_t(info.freeswap) * unit;
    // Unused pages alone would call most of a busy machine's memory taken,
    // though the page cache gives it back on demand.
    if (!ParseMemAvailable(ReadTextFile("/proc/meminfo"), memory.AvailPhys))
        memory.AvailPhys = (uint64_t(info.freeram) + uint64_t(info.bufferram)) * unit;
    if (memory.AvailPhys > memory.TotalPhys)
        memory.AvailPhys = memory.TotalPhys;
    return memory;
}

TProcessorFacts ParseCpuInfo(std::string_view cpuinfo)
{
    TProcessorFacts processor;
    ForEachLine(cpuinfo, ':', [&](std::string_view key, std::string_view value) {
        if (key == "model name" && processor.ModelName.empty())
            processor.ModelName = std::string(value);
        else if (key == "cpu MHz" && processor.MHz == 0)
            processor.MHz = ParseDouble(value);
        return !processor.ModelName.empty() && processor.MHz != 0;
    });
    return processor;
}

TProcessorFacts ReadProcessor()
{
    TProcessorFacts processor = ParseCpuInfo(ReadTextFile("/proc/cpuinfo"));
    processor.Count = OnlineProcessors();
    return processor;
}

double ReadCpuMHz()
{
    // The cpufreq maximum is the rated clock; "cpu MHz" is the clock of the
    // moment, which idles low on machines with frequency scaling.
    const std::string maxKHz = ReadTextFile("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    if (const double kHz = ParseDouble(Trim(maxKHz)); kHz > 0)
        return kHz / 1000;
    return ParseCpuInfo(ReadTextFile("/proc/cpuinfo")).MHz;
}

unsigned OnlineProcessors()
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? unsigned(online) : 1;
}

}  // namespace valbrix::platform
