// The listing for people; see the header.
#include "cli/VerboseList.h"

#include <cstdio>
#include <string>

#include "cli/ListedTime.h"
#include "cli/Messages.h"
#include "cli/NameText.h"
#include "cli/TerminalReport.h"
#include "engine/SizeSum.h"
#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Methods.h"
#include "engine/extract/TargetPath.h"
#include "platform/TimeZone.h"

namespace valbrix::cli {

namespace {

// Written in blocks of about this size: a listing may hold 100,000 rows.
constexpr size_t OutputBlockBytes = 1 << 16;

// "60%": the space saved; none for an empty entry or one that grew past double.
std::string SavedText(uint64_t size, uint64_t packed)
{
    if (size == 0 || packed > size)
        return packed > size && size > 0 ? "0%" : "";
    return std::to_string((size - packed) * 100 / size) + "%";
}

void AppendRow(std::string& out, const std::string& size, const std::string& packed, const std::string& saved,
               const std::string& method, const std::string& time, const std::string& crc, const std::string& name)
{
    char fixed[160];
    std::snprintf(fixed, sizeof fixed, "%14s %14s %5s  %-13s %-19s %-8s  ", size.c_str(), packed.c_str(), saved.c_str(),
                  method.c_str(), time.c_str(), crc.c_str());
    out += fixed;
    out += name;
    out += '\n';
}

std::string MethodColumn(const TZipEntry& entry)
{
    return MethodName(EntryMethod(entry)) + ((entry.Flags & gpEncrypted) ? " *" : "");
}

std::string TimeColumn(const TZipEntry& entry)
{
    const platform::TLocalTime t = ListedTime(entry);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                  t.Second);
    return text;
}

}  // namespace

void PrintVerboseList(const TZipArchive& archive)
{
    std::string out;
    AppendRow(out, "Size", "Packed", "Saved", "Method", "Modified (" + platform::LocalZoneName() + ")", "CRC-32",
              "Name");
    uint64_t files = 0, folders = 0, size = 0, packed = 0;
    bool anyEncrypted = false;
    archive.ForEachEntry([&](const TZipEntry& entry) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", unsigned(entry.Crc32));
        const bool folder = IsFolderName(entry.FileName);
        AppendRow(out, GroupedNumber(entry.UncompressedSize), GroupedNumber(entry.CompressedSize),
                  SavedText(entry.UncompressedSize, entry.CompressedSize), MethodColumn(entry),
                  TimeColumn(entry), folder ? "" : crc, EscapedName(entry.FileName));
        ++(folder ? folders : files);
        size = AddSizeSaturated(size, entry.UncompressedSize);
        packed = AddSizeSaturated(packed, entry.CompressedSize);
        anyEncrypted = anyEncrypted || (entry.Flags & gpEncrypted);
        if (out.size() >= OutputBlockBytes) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
        return true;
    });
    std::string totals = GroupedNumber(files) + (files == 1 ? " file" : " files");
    if (folders > 0)
        totals += ", " + GroupedNumber(folders) + (folders == 1 ? " folder" : " folders");
    if (anyEncrypted)
        totals += "; * encrypted";
    AppendRow(out, GroupedNumber(size), GroupedNumber(packed), SavedText(size, packed), "", "", "", totals);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace valbrix::cli
