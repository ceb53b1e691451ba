// The pure halves of the system facts: os-release, /proc/cpuinfo and
// /proc/meminfo as the kernel and distributions write them, and the real
// readers on this machine.
#include <gtest/gtest.h>

#include "platform/SystemFacts.h"

using namespace valbrix::platform;

// Catches quotes kept in values, escapes not undone, comments or blank lines
// taken as keys, and a key matched by prefix (NAME in PRETTY_NAME).
TEST(SystemFacts, OsRelease)
{
    const TOsRelease release = ParseOsRelease(
        "# a comment\n"
        "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
        "\n"
        "NAME='Debian \\\"GNU\\\"/Linux'\n"
        "VERSION_ID=12\n"
        "ID=debian\n");
    EXPECT_EQ(release.PrettyName, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(release.Name, "Debian \"GNU\"/Linux");
    EXPECT_EQ(release.VersionId, "12");
    EXPECT_EQ(ParseOsRelease("").Name, "");
}

// Catches the model name of a later processor winning, the speed read under
// a locale with a decimal comma, and a missing field that is not zero.
TEST(SystemFacts, CpuInfo)
{
    const TProcessorFacts processor = ParseCpuInfo(
        "processor\t: 0\n"
        "model name\t: Intel(R) Xeon(R) CPU @ 2.40GHz\n"
        "cpu MHz\t\t: 2399.998\n"
        "\n"
        "processor\t: 1\n"
        "model name\t: Other\n"
        "cpu MHz\t\t: 800.000\n");
    EXPECT_EQ(processor.ModelName, "Intel(R) Xeon(R) CPU @ 2.40GHz");
    EXPECT_NEAR(processor.MHz, 2399.998, 1e-9);
    const TProcessorFacts arm = ParseCpuInfo("processor\t: 0\nBogoMIPS\t: 50.00\n");
    EXPECT_EQ(arm.ModelName, "");
    EXPECT_EQ(arm.MHz, 0);
}

// Catches MemAvailable taken in kB instead of bytes, cut to 32 bits, or
// confused with MemFree; and a missing line reported as found.
TEST(SystemFacts, MemAvailable)
{
    uint64_t bytes = 0;
    EXPECT_TRUE(ParseMemAvailable("MemTotal:       65843212 kB\n"
                                  "MemFree:         1000000 kB\n"
                                  "MemAvailable:   50331648 kB\n",
                                  bytes));
    EXPECT_EQ(bytes, uint64_t(48) << 30);
    EXPECT_FALSE(ParseMemAvailable("MemTotal: 1 kB\nMemFree: 1 kB\n", bytes));
}

// Catches readers that fail on a normal Linux machine: memory figures that
// are zero or inconsistent, no processor, no kernel release.
TEST(SystemFacts, ThisMachine)
{
    const TMemoryFacts memory = ReadMemory();
    ASSERT_TRUE(memory.Valid);
    EXPECT_GT(memory.TotalPhys, uint64_t(0));
    EXPECT_LE(memory.AvailPhys, memory.TotalPhys);
    EXPECT_LE(memory.AvailSwap, memory.TotalSwap);
    EXPECT_GE(ReadProcessor().Count, 1u);
    EXPECT_FALSE(ReadKernel().Release.empty());
    EXPECT_FALSE(ReadHostName().empty());
    EXPECT_GE(ReadCpuMHz(), 0.0);
}
