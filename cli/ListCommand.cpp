// `valbrix-cli list ARCHIVE`: prints the central directory, one tab-separated
// line per entry in archive order (method, compressed size, uncompressed
// size, CRC-32, MS-DOS time as stored, attributes, name). Lines are built by
// hand into one large buffer and written in big blocks, because archives with
// a hundred thousand entries are listed by scripts and benchmarks. A file the
// reader does not accept gives exit status 2 and one line on stderr; a
// damaged directory lists the entries that could be read, then warns on
// stderr and gives exit status 2. An empty archive lists nothing and succeeds.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/Commands.h"
#include "cli/NameText.h"
#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix::cli {

namespace {

// Flushed to stdout whenever it holds this much; one line is far shorter.
constexpr size_t OutputBlockBytes = 1 << 16;

class LineWriter {
public:
    LineWriter() { FText.reserve(OutputBlockBytes + 512); }
    ~LineWriter() { Flush(); }

    void Number(uint64_t value)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        FText.append(digits, end);
    }
    // Fixed width, zero-padded: the date fields are at most 4 digits.
    void Padded(unsigned value, int width)
    {
        char digits[8];
        for (int i = width - 1; i >= 0; --i, value /= 10)
            digits[i] = char('0' + value % 10);
        FText.append(digits, size_t(width));
    }
    void Hex(uint32_t value, int width)
    {
        static constexpr char HexDigits[] = "0123456789abcdef";
        char digits[8];
        for (int i = width - 1; i >= 0; --i, value >>= 4)
            digits[i] = HexDigits[value & 15];
        FText.append(digits, size_t(width));
    }
    void Char(char c) { FText += c; }
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
    std::string FText;
};

// The MS-DOS fields as they decode, valid date or not: the list shows what
// the archive holds, without time-zone conversion.
void PutDosDateTime(LineWriter& out, uint32_t dosDateTime)
{
    const platform::TLocalTime local = DecodeDosDateTime(dosDateTime);
    out.Padded(unsigned(local.Year), 4);
    out.Char('-');
    out.Padded(unsigned(local.Month), 2);
    out.Char('-');
    out.Padded(unsigned(local.Day), 2);
    out.Char(' ');
    out.Padded(unsigned(local.Hour), 2);
    out.Char(':');
    out.Padded(unsigned(local.Minute), 2);
    out.Char(':');
    out.Padded(unsigned(local.Second), 2);
}

void PutEntry(LineWriter& out, const TZipEntry& entry)
{
    out.Number(entry.Method);
    out.Char('\t');
    out.Number(entry.CompressedSize);
    out.Char('\t');
    out.Number(entry.UncompressedSize);
    out.Char('\t');
    out.Hex(entry.Crc32, 8);
    out.Char('\t');
    PutDosDateTime(out, entry.DosDateTime);
    out.Char('\t');
    out.Hex(entry.Attributes & 0xFF, 2);
    out.Char('\t');
    out.Name(entry.FileName);
    out.EndLine();
}

}  // namespace

bool WarnSetProblem(const std::string& archive, const TZipArchive& opened)
{
    const std::string part = EscapedName(opened.ProblemPart());
    if (opened.SetProblem() == spMissingPart)
        std::fprintf(stderr, "valbrix-cli: '%s': part %s is missing\n", EscapedName(archive).c_str(), part.c_str());
    else if (opened.SetProblem() == spPartsDisagree)
        std::fprintf(stderr, "valbrix-cli: '%s': the parts of the split archive do not fit together (%s differs in size)\n",
                     EscapedName(archive).c_str(), part.c_str());
    return opened.SetProblem() != spNone;
}

void WarnDamagedDirectory(const std::string& archive, const TZipArchive& opened)
{
    const auto entries = static_cast<unsigned long long>(opened.EntriesRead());
    if (WarnSetProblem(archive, opened))
        return;
    if (opened.Recovered())
        std::fprintf(stderr, "valbrix-cli: '%s': the archive is damaged; %llu entries were read from the local headers\n",
                     EscapedName(archive).c_str(), entries);
    else
        std::fprintf(stderr, "valbrix-cli: '%s': the central directory is damaged; %llu entries could be read\n",
                     EscapedName(archive).c_str(), entries);
}

int RunListCommand(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("valbrix-cli: list takes exactly one archive (try --help)\n", stderr);
        return ExitCannotOpen;
    }
    const std::string& name = args[0];
    TZipArchive archive;
    const TArchiveKind kind = archive.Open(name);
    if (kind == akEmpty)
        return ExitOk;
    if (kind == akNotArchive) {
        if (!WarnSetProblem(name, archive))
            std::fprintf(stderr, "valbrix-cli: '%s' is not a ZIP archive that can be opened\n", EscapedName(name).c_str());
        return ExitCannotOpen;
    }
    {
        LineWriter out;
        archive.ForEachEntry([&out](const TZipEntry& entry) {
            PutEntry(out, entry);
            return true;
        });
    }
    if (kind == akDamaged) {
        WarnDamagedDirectory(name, archive);
        return ExitCannotOpen;
    }
    return ExitOk;
}

}  // namespace valbrix::cli
