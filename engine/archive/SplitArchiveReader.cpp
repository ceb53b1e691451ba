// The reader over a set of parts, and the search for a file's fellow
// parts; see the header. Part files are opened once, at the opening; the
// folder is listed once to match names without regard to case.
#include "engine/archive/SplitArchiveReader.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "engine/archive/ZipDirectory.h"
#include "platform/Paths.h"

namespace valbrix {

namespace {

// More parts than this are no set anyone made; a hostile disk number
// must not make the opening list thousands of names.
constexpr uint32_t MaxParts = 9999;

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The names in a folder by their lower case.
class TFolderNames {
public:
    explicit TFolderNames(const std::string& folder) : FFolder(folder)
    {
        for (std::string& name : platform::FolderNames(folder)) {
            std::string lower = AsciiLower(name);
            FByLower.emplace(std::move(lower), std::move(name));
        }
    }
    // The path of the file whose name is `name` but for case; empty when there is none.
    std::string Find(const std::string& name) const
    {
        const auto found = FByLower.find(AsciiLower(name));
        return found == FByLower.end() ? std::string() : platform::JoinPath(FFolder, found->second);
    }
    const std::map<std::string, std::string>& ByLower() const { return FByLower; }

private:
    std::string FFolder;
    std::map<std::string, std::string> FByLower;
};

TSplitArchiveReader::TPart OpenPart(const std::string& path, const std::string& name)
{
    TSplitArchiveReader::TPart part;
    part.Name = name;
    if (path.empty())
        return part;
    auto file = std::make_unique<TFileArchiveReader>();
    if (file->Open(path) == 0) {
        part.Bytes = file->Size();
        part.File = std::move(file);
    }
    return part;
}

TSetOpening FromParts(std::vector<TSplitArchiveReader::TPart> parts, bool spanned)
{
    TSetOpening opening;
    auto reader = std::make_unique<TSplitArchiveReader>(std::move(parts), spanned);
    opening.Problem = reader->Problem();
    opening.ProblemPart = reader->ProblemPart();
    if (opening.Problem != spPartsDisagree)
        opening.Reader = std::move(reader);
    return opening;
}

// NAME.001, NAME.002 ...: every number beside the one opened, up to the highest.
TSetOpening OpenByteSplit(const TFolderNames& names, const std::string& base, size_t width)
{
    const std::string prefix = AsciiLower(base) + ".";
    uint32_t highest = 0;
    for (const auto& [lower, name] : names.ByLower()) {
        const std::string number = lower.substr(std::min(prefix.size(), lower.size()));
        if (lower.starts_with(prefix) && number.size() == width && AllDigits(number))
            highest = std::max<uint32_t>(highest, uint32_t(std::min<unsigned long>(std::stoul(number), MaxParts)));
    }
    std::vector<TSplitArchiveReader::TPart> parts;
    for (uint32_t i = 1; i <= highest; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%0*u", int(width), i);
        const std::string name = base + "." + number;
        parts.push_back(OpenPart(names.Find(name), name));
    }
    return FromParts(std::move(parts), false);
}

// NAME.z01 ... NAME.zNN before NAME.zip, which says how many there are.
TSetOpening OpenSpanned(const TFolderNames& names, const std::string& base, const std::string& zipPath, bool openedPart)
{
    TSetOpening opening;
    auto last = std::make_unique<TFileArchiveReader>();
    if (zipPath.empty() || (opening.Error = last->Open(zipPath)) != 0) {
        opening.Problem = spMissingPart;
        opening.ProblemPart = base + ".zip";
        return opening;
    }
    const uint32_t lastDisk = std::min(LastDiskNumber(*last), MaxParts);
    if (lastDisk == 0) {
        opening.Reader = std::move(last);
        return opening;
    }
    std::vector<TSplitArchiveReader::TPart> parts;
    bool anyPart = false;
    for (uint32_t disk = 1; disk <= lastDisk; ++disk) {
        char extension[16];
        std::snprintf(extension, sizeof extension, ".z%02u", disk);
        parts.push_back(OpenPart(names.Find(base + extension), base + extension));
        anyPart = anyPart || parts.back().File;
    }
    // A lone NAME.zip whose disk number is wrong is read as the one file it is.
    if (!anyPart && !openedPart) {
        opening.Reader = std::move(last);
        return opening;
    }
    TSplitArchiveReader::TPart zip;
    zip.Name = platform::FileNamePart(zipPath);
    zip.Bytes = last->Size();
    zip.File = std::move(last);
    parts.push_back(std::move(zip));
    return FromParts(std::move(parts), true);
}

}  // namespace

TSplitArchiveReader::TSplitArchiveReader(std::vector<TPart> parts, bool spanned)
    : FParts(std::move(parts)), FSpanned(spanned)
{
    // Every part but the last is as long as the first: the size the set was cut to.
    uint64_t common = 0;
    for (const TPart& part : FParts)
        if (part.File) {
            common = part.Bytes;
            break;
        }
    for (size_t i = 0; i < FParts.size(); ++i) {
        TPart& part = FParts[i];
        if (!part.File) {
            part.Bytes = common;
            if (FProblem == spNone) {
                FProblem = spMissingPart;
                FProblemPart = part.Name;
            }
        } else if (i + 1 < FParts.size() && part.Bytes != common) {
            FProblem = spPartsDisagree;
            FProblemPart = part.Name;
        }
        part.Start = FSize;
        FSize += part.Bytes;
    }
}

long TSplitArchiveReader::ReadAt(uint64_t position, uint8_t* buffer, size_t count)
{
    size_t done = 0;
    auto part = std::upper_bound(FParts.begin(), FParts.end(), position,
                                 [](uint64_t at, const TPart& p) { return at < p.Start; });
    if (part == FParts.begin())
        return 0;
    for (--part; done < count && part != FParts.end() && position < FSize; ++part) {
        if (part->Bytes == 0)
            continue;
        if (!part->File)
            return -1;  // a hole: the bytes are in a part that is missing
        const uint64_t inPart = position - part->Start;
        const size_t wanted = size_t(std::min<uint64_t>(count - done, part->Bytes - inPart));
        const long got = part->File->ReadAt(inPart, buffer + done, wanted);
        if (got < 0)
            return -1;
        done += size_t(got);
        position += uint64_t(got);
        if (size_t(got) < wanted)
            break;  // the part shrank since it was opened
    }
    return long(done);
}

std::vector<uint64_t> TSplitArchiveReader::DiskStarts() const
{
    std::vector<uint64_t> starts;
    if (FSpanned)
        for (const TPart& part : FParts)
            starts.push_back(part.Start);
    return starts;
}

bool TSplitArchiveReader::Holds(uint64_t from, uint64_t to) const
{
    for (const TPart& part : FParts)
        if (!part.File && part.Bytes > 0 && from < part.Start + part.Bytes && to > part.Start)
            return false;
    return true;
}

TSetOpening OpenArchiveFiles(const std::string& path)
{
    const std::string name = platform::FileNamePart(path);
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : AsciiLower(name.substr(dot + 1));
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const bool byteSplit = extension.size() >= 3 && AllDigits(extension);
    const bool spannedPart = extension.size() >= 3 && extension[0] == 'z' && AllDigits(extension.substr(1));

    TSetOpening opening;
    if (!byteSplit && !spannedPart) {
        auto single = std::make_unique<TFileArchiveReader>();
        if ((opening.Error = single->Open(path)) != 0)
            return opening;
        // Only the last part of a spanned set holds the end record, and it says so.
        if (extension != "zip" || LastDiskNumber(*single) == 0) {
            opening.Reader = std::move(single);
            return opening;
        }
    }
    // The file itself must be there, whatever part it is.
    if (TFileArchiveReader probe; (opening.Error = probe.Open(path)) != 0)
        return opening;
    const TFolderNames names(platform::FolderPart(path));
    if (byteSplit)
        return OpenByteSplit(names, base, extension.size());
    return OpenSpanned(names, base, spannedPart ? names.Find(base + ".zip") : path, spannedPart);
}

}  // namespace valbrix
