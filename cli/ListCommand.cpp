// `valbrix-cli list ARCHIVE`: prints the central directory, one tab-separated
// line per entry in archive order (method, compressed size, uncompressed
// size, CRC-32, MS-DOS time as stored, attributes, name). Lines are built by
// hand into one large buffer and written in big blocks, because archives with
// a hundred thousand entries are listed by scripts and benchmarks. A file the
// reader does not accept gives exit status 2 and one line on stderr; a
// damaged directory is warned about on stderr, the entries that could be
// read are listed, and the exit status is 2. An empty archive lists nothing
// and succeeds. -v gives the listing for people (cli/VerboseList.h).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/ArchiveInput.h"
#include "cli/ListedTime.h"
#include "cli/Commands.h"
#include "cli/Messages.h"
#include "cli/Usage.h"
#include "cli/VerboseList.h"
#include "cli/NameText.h"
#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix::cli {

namespace {

// Flushed to stdout whenever it holds this much; one line is far shorter.
constexpr size_t OutputBlockBytes = 1 << 16;

// Fields are written through a pointer into room made once per line; the
// string's own appends, a character at a time, were a quarter of a listing.
class LineWriter {
public:
    LineWriter() { FText.reserve(OutputBlockBytes + LineRoom); }
    ~LineWriter() { Flush(); }

    // Room for the fixed fields of one line; the name is appended after them.
    char* Begin()
    {
        FFieldsAt = FText.size();
        FText.resize(FFieldsAt + LineRoom);
        return FText.data() + FFieldsAt;
    }
    void EndFields(const char* end) { FText.resize(size_t(end - FText.data())); }
    void Name(const std::string& name) { AppendEscapedName(FText, name); }
    void EndLine()
    {
        FText += '\n';
        if (FText.size() >= OutputBlockBytes)
            Flush();
    }
    void Flush()
    {
        std::fwrite(FText.data(), 1, FText.size(), stdout);
        FText.clear();
    }

private:
    static constexpr size_t LineRoom = 128;  // the fields before the name take at most 90
    std::string FText;
    size_t FFieldsAt = 0;
};

char* Number(char* out, uint64_t value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

// Fixed width, zero-padded: the date fields are at most 4 digits.
char* Padded(char* out, unsigned value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = char('0' + value % 10);
    return out + width;
}

char* Hex(char* out, uint32_t value, int width)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    for (int i = width - 1; i >= 0; --i, value >>= 4)
        out[i] = HexDigits[value & 15];
    return out + width;
}

char* PutTime(char* out, const platform::TLocalTime& local)
{
    out = Padded(out, unsigned(local.Year), 4);
    *out++ = '-';
    out = Padded(out, unsigned(local.Month), 2);
    *out++ = '-';
    out = Padded(out, unsigned(local.Day), 2);
    *out++ = ' ';
    out = Padded(out, unsigned(local.Hour), 2);
    *out++ = ':';
    out = Padded(out, unsigned(local.Minute), 2);
    *out++ = ':';
    return Padded(out, unsigned(local.Second), 2);
}

void PutEntry(LineWriter& writer, const TZipEntry& entry)
{
    char* out = writer.Begin();
    out = Number(out, entry.Method);
    *out++ = '\t';
    out = Number(out, entry.CompressedSize);
    *out++ = '\t';
    out = Number(out, entry.UncompressedSize);
    *out++ = '\t';
    out = Hex(out, entry.Crc32, 8);
    *out++ = '\t';
    out = PutTime(out, ListedTime(entry));
    *out++ = '\t';
    out = Hex(out, entry.Attributes & 0xFF, 2);
    *out++ = '\t';
    writer.EndFields(out);
    writer.Name(entry.FileName);
    writer.EndLine();
}

}  // namespace

bool WarnSetProblem(const std::string& archive, const TZipArchive& opened)
{
    const std::string part = EscapedName(opened.ProblemPart());
    if (opened.SetProblem() == spMissingPart)
        PrintError("'" + EscapedName(archive) + "': part " + part + " is missing");
    else if (opened.SetProblem() == spPartsDisagree)
        PrintError("'" + EscapedName(archive) + "': the parts of the split archive do not fit together (" + part +
                   " differs in size)");
    return opened.SetProblem() != spNone;
}

void WarnDamagedDirectory(const std::string& archive, const TZipArchive& opened)
{
    if (WarnSetProblem(archive, opened))
        return;
    const std::string entries = Counted(opened.EntriesRead(), "entry", "entries");
    if (opened.Recovered())
        PrintError("'" + EscapedName(archive) + "': the archive is damaged; " + entries +
                   (opened.EntriesRead() == 1 ? " was" : " were") + " read from the local headers");
    else
        PrintError("'" + EscapedName(archive) + "': the central directory is damaged; " + entries + " could be read");
}

int RunListCommand(const std::vector<std::string>& args)
{
    TCommandLine line;
    int exitStatus = ExitOk;
    if (!ParseCommand("list", args, {{'v', "verbose", false}}, line, exitStatus))
        return exitStatus;
    if (line.Operands().size() != 1)
        return UsageError("list", line.Operands().empty() ? "no archive given" : "takes exactly one archive");
    TZipArchive archive;
    TArchiveInput input;
    if (!input.Open(archive, line.Operands()[0]))
        return ExitCannotOpen;
    if (line.Has("verbose"))
        PrintVerboseList(archive);
    else {
        LineWriter out;
        archive.ForEachEntry([&out](const TZipEntry& entry) {
            PutEntry(out, entry);
            return true;
        });
    }
    return archive.Kind() == akDamaged ? ExitCannotOpen : ExitOk;
}

}  // namespace valbrix::cli
