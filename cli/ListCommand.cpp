// `valbrix-cli list ARCHIVE`: prints the central directory, one tab-separated
// line per entry in archive order (method, compressed size, uncompressed
// size, CRC-32, MS-DOS time as stored, attributes, name). Lines are built by
// hand into one large buffer and written in big blocks, because archives with
// a hundred thousand entries are listed by scripts and benchmarks. A file the
// reader does not accept gives exit status 2 and one line on stderr; a
// damaged directory is warned about on stderr, the entries that could be
// read are listed, and the exit status is 2. An empty archive lists nothing
// and succeeds. -v gives the listing for people (cli/VerboseList.h).
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// Lines are written through a pointer into a buffer made once; room for a
// whole line is made before it starts, so no field checks for room. The
// string appends this replaced, and a growth check per field, were most of
// the listing's own time.
class LineWriter {
public:
    LineWriter() : FBuffer(OutputBlockBytes + LineRoom(MaxEntryNameBytes)) {}
    ~LineWriter() { Flush(); }

    // Room for one line whose name has nameBytes bytes; the line is written
    // at the pointer returned and ended by EndLine.
    char* Begin(size_t nameBytes)
    {
        const size_t room = LineRoom(nameBytes);
        if (FBuffer.size() - FUsed < room) {
            Flush();
            if (FBuffer.size() < room)  // a name longer than any the reader gives
                FBuffer.resize(room);
        }
        return FBuffer.data() + FUsed;
    }
    void EndLine(char* end)
    {
        *end++ = '\n';
        FUsed = size_t(end - FBuffer.data());
        if (FUsed >= OutputBlockBytes)
            Flush();
    }
    void Flush()
    {
        std::fwrite(FBuffer.data(), 1, FUsed, stdout);
        FUsed = 0;
    }

private:
    // The fields before the name take at most 90 bytes; then the escaped name and the newline.
    static constexpr size_t LineRoom(size_t nameBytes) { return 128 + MaxEscapedBytesPerByte * nameBytes + 1; }
    std::vector<char> FBuffer;
    size_t FUsed = 0;
};

char* Number(char* out, uint64_t value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

// "00" to "99", two characters each: a digit pair is one copy, where
// dividing digit by digit was a quarter of formatting a line.
constexpr auto DigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[size_t(2 * i)] = char('0' + i / 10);
        pairs[size_t(2 * i + 1)] = char('0' + i % 10);
    }
    return pairs;
}();

// Two digits, zero-padded; a larger value gives its last two.
char* TwoDigits(char* out, unsigned value)
{
    std::memcpy(out, &DigitPairs[2 * (value % 100)], 2);
    return out + 2;
}

// Lower-case hex, most significant digit first, two digits per byte.
char* Hex(char* out, uint32_t value, int bytes)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) {
        out[2 * i] = HexDigits[(value >> 4) & 15];
        out[2 * i + 1] = HexDigits[value & 15];
    }
    return out + 2 * bytes;
}

// "YYYY-MM-DD hh:mm:ss", each field cut to its width as it always was.
char* PutTime(char* out, const platform::TLocalTime& local)
{
    out = TwoDigits(out, unsigned(local.Year) / 100);
    out = TwoDigits(out, unsigned(local.Year));
    *out++ = '-';
    out = TwoDigits(out, unsigned(local.Month));
    *out++ = '-';
    out = TwoDigits(out, unsigned(local.Day));
    *out++ = ' ';
    out = TwoDigits(out, unsigned(local.Hour));
    *out++ = ':';
    out = TwoDigits(out, unsigned(local.Minute));
    *out++ = ':';
    return TwoDigits(out, unsigned(local.Second));
}

// The last time written, kept as text: the entries of an archive mostly
// share a few times, and an exact time goes through the local clock's rules
// (a time-zone lookup) each time it is converted.
class TimeText {
public:
    char* Put(char* out, const TZipEntry& entry)
    {
        const bool exact = entry.Modified.has_value();
        const int64_t key = exact ? entry.Modified->Seconds : int64_t(entry.DosDateTime);
        if (!FValid || exact != FExact || key != FKey) {
            PutTime(FText, ListedTime(entry));
            FValid = true, FExact = exact, FKey = key;
        }
        std::memcpy(out, FText, TextBytes);
        return out + TextBytes;
    }

private:
    static constexpr size_t TextBytes = 19;
    char FText[TextBytes];
    bool FValid = false;
    bool FExact = false;
    int64_t FKey = 0;
};

void PutEntry(LineWriter& writer, TimeText& times, const TZipEntry& entry)
{
    char* out = writer.Begin(entry.FileName.size());
    out = Number(out, entry.Method);
    *out++ = '\t';
    out = Number(out, entry.CompressedSize);
    *out++ = '\t';
    out = Number(out, entry.UncompressedSize);
    *out++ = '\t';
    out = Hex(out, entry.Crc32, 4);
    *out++ = '\t';
    out = times.Put(out, entry);
    *out++ = '\t';
    out = Hex(out, entry.Attributes & 0xFF, 1);
    *out++ = '\t';
    writer.EndLine(PutEscapedName(out, entry.FileName));
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
        TimeText times;
        archive.ForEachEntry([&out, &times](const TZipEntry& entry) {
            PutEntry(out, times, entry);
            return true;
        });
    }
    return archive.Kind() == akDamaged ? ExitCannotOpen : ExitOk;
}

}  // namespace valbrix::cli
