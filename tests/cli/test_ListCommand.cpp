// `valbrix-cli list` against Python's zipfile as the control reader: archives
// made at test time with zip, 7zz and Python, the fixture archives, the line
// format, and the exit statuses for files that are not archives.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "CliRun.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// Python's view of an archive in the list command's format. Python decodes
// names without bit 11 as code page 437 whatever the host, keeps whole
// names and ignores the Unicode path extra field; the script applies the
// reader's rules on top (a Unicode path whose CRC matches the stored name,
// valid UTF-8 from a non-MS-DOS host as stored, '\' to '/', 259 bytes at a
// character boundary, attributes only from MS-DOS hosts) and escapes the
// name as the list prints it.
const char* const OracleScript = R"PY(
import os, struct, sys, time, zipfile, zlib
def valid_utf8(b):
    try:
        b.decode('utf-8')
        return True
    except UnicodeDecodeError:
        return False
def unicode_path(extra, stored):
    pos = 0
    while pos + 4 <= len(extra):
        kind, size = struct.unpack('<HH', extra[pos:pos + 4])
        data = extra[pos + 4:pos + 4 + size]
        if len(data) < size:
            break
        if kind == 0x7075 and size > 5 and data[0] == 1 and struct.unpack('<I', data[1:5])[0] == zlib.crc32(stored) \
                and valid_utf8(data[5:]):
            return data[5:].split(b'\0')[0]
        pos += 4 + size
    return None
def escape(b):
    out, i = bytearray(), 0
    while i < len(b):
        c = b[i]
        if 0x20 <= c < 0x7f and c != 0x5c:
            out.append(c); i += 1
        elif c in (9, 10, 0x5c):
            out += {9: b'\\t', 10: b'\\n', 0x5c: b'\\\\'}[c]; i += 1
        else:
            n = next((k for k in (2, 3, 4) if valid_utf8(b[i:i + k]) and len(b[i:i + k].decode('utf-8')) == 1), 0)
            if c >= 0x80 and n and not (c == 0xc2 and b[i + 1] < 0xa0):
                cp = ord(b[i:i + n].decode('utf-8'))
                bidi = 0x202a <= cp <= 0x202e or 0x2066 <= cp <= 0x2069 or cp in (0x200e, 0x200f, 0x61c)
                out += (b'\\u{%04X}' % cp) if bidi else b[i:i + n]; i += n
            else:
                out += b'\\x%02x' % c; i += 1
    return bytes(out)
def exact_time(extra):
    # The extended timestamp's modification seconds, else the NTFS field's,
    # shown as the local clock reads them; None when neither is there.
    found, pos = {}, 0
    while pos + 4 <= len(extra):
        kind, size = struct.unpack('<HH', extra[pos:pos + 4])
        data = extra[pos + 4:pos + 4 + size]
        if len(data) < size:
            break
        if kind == 0x5455 and size >= 5 and data[0] & 1:
            found.setdefault('ut', struct.unpack('<I', data[1:5])[0])
        elif kind == 0x000a and size >= 32 and struct.unpack('<HH', data[4:8]) == (1, 24):
            found.setdefault('ntfs', struct.unpack('<Q', data[8:16])[0] // 10000000 - 11644473600)
        pos += 4 + size
    seconds = found.get('ut', found.get('ntfs'))
    return None if seconds is None else tuple(time.localtime(seconds))[:6]
def listing(path):
    lines = []
    with zipfile.ZipFile(path) as z:
        for i in z.infolist():
            stored = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
            if unicode_path(i.extra, stored) is not None:
                name = unicode_path(i.extra, stored)
            elif i.flag_bits & 0x800:
                name = i.filename.encode('utf-8')
            else:
                raw = i.filename.encode('cp437')
                name = raw if i.create_system != 0 and valid_utf8(raw) else i.filename.encode('utf-8')
            name = name.replace(b'\\', b'/')
            if len(name) > 259:
                cut = 259
                while cut > 0 and (name[cut] & 0xC0) == 0x80:
                    cut -= 1
                name = name[:cut]
            attr = i.external_attr & 0xFF if i.create_system == 0 else 0
            fields = (i.compress_type, i.compress_size, i.file_size, i.CRC) + \
                (exact_time(i.extra) or tuple(i.date_time)) + (attr,)
            lines.append(('%d\t%d\t%d\t%08x\t%04d-%02d-%02d %02d:%02d:%02d\t%02x\t' % fields).encode() + escape(name) + b'\n')
    return b''.join(lines)
# Writes FOLDER/<archive name>.txt for every archive Python can read.
for path in sys.argv[2:]:
    try:
        text = listing(path)
    except Exception:
        continue
    with open(os.path.join(sys.argv[1], os.path.basename(path) + '.txt'), 'wb') as f:
        f.write(text)
)PY";

// Python's view of each archive; Unreadable where Python cannot read it.
const std::string Unreadable = "(Python cannot read it)";
std::vector<std::string> OracleViews(const std::vector<fs::path>& archives)
{
    TempDir views;
    WriteFile(views / "oracle.py", std::string(OracleScript));
    std::string command = "python3 " + Quote((views / "oracle.py").string()) + " " + Quote(views.Path().string());
    for (const fs::path& archive : archives)
        command += " " + Quote(archive.string());
    RunCommand(command + " 2>/dev/null");
    std::vector<std::string> result;
    for (const fs::path& archive : archives) {
        const Bytes view = ReadFile(views / (archive.filename().string() + ".txt"));
        result.push_back(fs::exists(views / (archive.filename().string() + ".txt")) ? std::string(view.begin(), view.end()) : Unreadable);
    }
    return result;
}

size_t LineCount(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

// Catches fields decoded differently from an established reader, on what
// zip writes (Unix host, UTF-8 names without bit 11, folders), what
// 7zz writes (MS-DOS host attributes, bit 11), and what Python writes
// (backslash names, 300-character names, comments on entries and archive).
TEST(ListCommand, ToolMadeArchivesMatchPython)
{
    REQUIRE_TOOL("python3");
    TempDir dir;
    const fs::path tree = dir / "tree";
    fs::create_directories(tree / "sub" / "deeper");
    WriteFile(tree / "text.txt", TextLikeData(50000));
    WriteFile(tree / "noise.bin", RandomData(3000));
    WriteFile(tree / "empty.txt", Bytes{});
    WriteFile(tree / "sub" / "deeper" / "note.md", TextLikeData(123, 7));
    WriteFile(tree / "sub" / "Größe.txt", std::string("umlauts"));
    const std::string in = "cd " + Quote(tree.string()) + " && ";
    if (TOOL_PRESENT("zip")) {
        EXPECT_EQ(RunCommand(in + "zip -q -r -0 ../stored.zip . && zip -q -r -6 ../deflated.zip .").ExitCode, 0);
    }
    if (TOOL_PRESENT("7zz")) {
        EXPECT_EQ(RunCommand(in + "7zz a -tzip -bd ../seven.zip . >/dev/null").ExitCode, 0);
    }
    WriteFile(dir / "make.py", std::string(R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.comment = b'archive comment ' * 100
    names = ['plain.txt', 'win\\style\\path.txt', 'ümlaut/Größe.txt', 'x' * 300, 'ä' * 200, 'folder/']
    for n, name in enumerate(names):
        info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6 + 2 * n))
        info.create_system = n % 2 * 3
        info.external_attr = 0x21 + n
        info.comment = ('comment %d ' % n).encode() * (n * 30)
        info.compress_type = zipfile.ZIP_DEFLATED if n % 2 else zipfile.ZIP_STORED
        z.writestr(info, ('data %d ' % n) * (n * 50))
)PY"));
    ASSERT_EQ(RunCommand("python3 " + Quote((dir / "make.py").string()) + " " + Quote((dir / "py.zip").string())).ExitCode, 0);
    std::vector<fs::path> archives;
    for (const char* name : {"stored.zip", "deflated.zip", "seven.zip", "py.zip"})
        if (fs::exists(dir / name))  // else the tool that makes it is missing
            archives.push_back(dir / name);
    const auto views = OracleViews(archives);
    for (size_t i = 0; i < archives.size(); ++i) {
        const auto ours = RunCli("list " + Quote(archives[i].string()));
        EXPECT_EQ(ours.ExitCode, ExitOk) << ours.Errors;
        EXPECT_EQ(LineCount(ours.Output), archives[i].filename() == "py.zip" ? 6u : 7u) << archives[i];
        EXPECT_EQ(ours.Output, views[i]) << archives[i];
    }
}

// Catches formatting faults: fields printed as they decode (month 15, hour 31,
// second 62 are shown, not corrected), CRC in 8 lower-case digits, sizes unsigned.
TEST(ListCommand, LineFormatShowsFieldsAsStored)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry entry = StoredEntry("odd.txt", Bytes{'o'});
    entry.Method = 6, entry.Crc32 = 0x00ABCDEF, entry.ExternalAttributes = 0x27;
    entry.CompressedSize = 4294967295u, entry.UncompressedSize = 7;
    const uint32_t date = (127u << 9) | (15u << 5) | 0u;   // 2107-15-00
    const uint32_t time = (31u << 11) | (63u << 5) | 31u;  // 31:63:62
    entry.DosDateTime = (date << 16) | time;
    zip.Add(entry);
    WriteFile(dir / "odd.zip", zip.Build());
    const auto run = RunCli("list " + Quote((dir / "odd.zip").string()));
    EXPECT_EQ(run.ExitCode, ExitOk);
    EXPECT_EQ(run.Output, "6\t4294967295\t7\t00abcdef\t2107-15-00 31:63:62\t27\todd.txt\n");
}

// Catches a listing that shows the 2-second MS-DOS field where the entry has
// an exact time, or shows the exact time in UTC instead of as the local
// clock reads it (the time extraction gives the file).
TEST(ListCommand, ExactTimeShownAsTheLocalClockReadsIt)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry entry = StoredEntry("t.txt", Bytes{'t'});
    entry.DosDateTime = (uint32_t((2026 - 1980) << 9 | 12 << 5 | 8) << 16) | (13u << 11 | 37u << 5 | 22u);  // 13:37:44
    PutLe16(entry.Extra, 0x5455);
    PutLe16(entry.Extra, 5);
    entry.Extra.push_back(1);             // modification time present
    PutLe32(entry.Extra, 1796737063u);    // 2026-12-08 13:37:43 UTC
    zip.Add(entry);
    WriteFile(dir / "t.zip", zip.Build());
    const struct {
        const char* Zone;
        const char* Shown;
    } rows[] = {
        {"UTC", "2026-12-08 13:37:43"},
        {"Europe/Berlin", "2026-12-08 14:37:43"},  // winter: UTC+1
    };
    for (const auto& row : rows) {
        const auto run = RunCommand(std::string("TZ=") + row.Zone + " " + Quote(VALBRIX_CLI) + " list " +
                                    Quote((dir / "t.zip").string()));
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", unsigned(entry.Crc32));
        EXPECT_EQ(run.Output, std::string("0\t1\t1\t") + crc + "\t" + row.Shown + "\t20\tt.txt\n") << row.Zone;
    }
}

// Catches names printed raw: a tab or newline breaking the line format, an
// escape sequence (C0 or C1 as UTF-8) reaching the terminal, bytes that are
// not UTF-8 passed on; and ordinary UTF-8 names escaped that need not be.
TEST(ListCommand, NamesAreEscaped)
{
    struct Case { const char* Stored; const char* Printed; };
    const Case cases[] = {
        {"tab\there", "tab\\there"},
        {"line\nbreak", "line\\nbreak"},
        {"esc\x1b[2J", "esc\\x1b[2J"},
        {"bell\x07" "del\x7f", "bell\\x07del\\x7f"},
        {"csi\xc2\x9bm", "csi\\xc2\\x9bm"},
        {"cut\xe2\x82", "cut\\xe2\\x82"},
        {"latin1 \xff", "latin1 \\xff"},
        {"Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac \xf0\x9f\x98\x80", "Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac \xf0\x9f\x98\x80"},
        // Bidirectional controls: "invoice<RLO>txt.exe" would show as "invoiceexe.txt".
        {"invoice\xe2\x80\xaetxt.exe", "invoice\\u{202E}txt.exe"},
        {"lre\xe2\x80\xaa pdf\xe2\x80\xac", "lre\\u{202A} pdf\\u{202C}"},
        {"isolates\xe2\x81\xa6\xe2\x81\xa9", "isolates\\u{2066}\\u{2069}"},
        {"marks\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c", "marks\\u{200E}\\u{200F}\\u{061C}"},
        // Neighbours of the controls print as they are (zero-width joiner, U+2070).
        {"zwj\xe2\x80\x8d sup\xe2\x81\xb0", "zwj\xe2\x80\x8d sup\xe2\x81\xb0"},
        // Plain runs are passed eight bytes a step: a control inside such a step.
        {"words0123456\x1b[2Jtail", "words0123456\\x1b[2Jtail"},
        {"words01234567\x7f" "89abcdefgh", "words01234567\\x7f89abcdefgh"},
        {"words012345678\xc2\x9bm0123456789", "words012345678\\xc2\\x9bm0123456789"},
    };
    TempDir dir;
    CraftedZip zip;
    std::string expected;
    for (const Case& c : cases) {
        CraftedEntry entry = StoredEntry(c.Stored, Bytes{});
        entry.Flags = 0x0800;  // the name as stored, valid UTF-8 or not
        zip.Add(entry);
        expected += std::string("0\t0\t0\t00000000\t") + "2025-04-15 13:33:02\t20\t" + c.Printed + "\n";
    }
    WriteFile(dir / "names.zip", zip.Build());
    const auto run = RunCli("list " + Quote((dir / "names.zip").string()));
    EXPECT_EQ(run.ExitCode, ExitOk);
    EXPECT_EQ(run.Output, expected);
}

// Lines are written into room made once per line in a large buffer.
// Catches room reckoned from the name as stored rather than as escaped
// (four bytes for each byte that is not UTF-8, eight for a two-byte
// bidirectional mark), which overruns the buffer or cuts a line where it
// is flushed; many such lines cross several flushes.
TEST(ListCommand, LongEscapedNamesStayWholeAcrossFlushes)
{
    std::string mark;
    for (int i = 0; i < 129; ++i)
        mark += "\xd8\x9c";  // U+061C, printed as \u{061C}
    std::string printedMark;
    for (int i = 0; i < 129; ++i)
        printedMark += "\\u{061C}";
    std::string printedBytes;
    for (int i = 0; i < 259; ++i)
        printedBytes += "\\xff";
    struct Case { const char* fault; std::string stored; std::string printed; };
    const Case cases[] = {
        {"room for the stored bytes only: 259 bytes printed as four each", std::string(259, '\xff'), printedBytes},
        {"room for the stored bytes only: two-byte marks printed as eight", mark, printedMark},
        {"a plain line cut where the buffer is flushed", std::string(259, 'p'), std::string(259, 'p')},
    };
    TempDir dir;
    CraftedZip zip;
    std::string expected;
    for (int round = 0; round < 100; ++round)
        for (const Case& c : cases) {
            CraftedEntry entry = StoredEntry(c.stored, Bytes{});
            entry.Flags = 0x0800;  // the name as stored, valid UTF-8 or not
            zip.Add(entry);
            expected += "0\t0\t0\t00000000\t2025-04-15 13:33:02\t20\t" + c.printed + "\n";
        }
    WriteFile(dir / "long.zip", zip.Build());
    const auto run = RunCli("list " + Quote((dir / "long.zip").string()));
    EXPECT_EQ(run.ExitCode, ExitOk);
    ASSERT_GT(expected.size(), 2u << 16) << "the listing must cross several flushes";
    for (const Case& c : cases)  // the first line of each kind, for a readable failure
        EXPECT_NE(run.Output.find("\t" + c.printed + "\n"), std::string::npos) << c.fault;
    EXPECT_EQ(run.Output, expected);
}

// A time shown once is kept as text for the entries behind it. Catches
// that text kept by the stored value alone: an MS-DOS time whose 32 bits
// equal the seconds of the exact time before it (or the other way round)
// would show the other one's time.
TEST(ListCommand, EachEntryShowsItsOwnTimeWhereTheStoredValuesCoincide)
{
    const uint32_t dosTime = 0x5A8F6C21;  // 2025-04-15 13:33:02 as MS-DOS fields, 2018-02-23 01:19:29 as seconds
    struct Row { const char* fault; bool exact; uint32_t value; const char* shown; };
    const Row rows[] = {
        {"first entry: nothing kept yet", false, dosTime, "2025-04-15 13:33:02"},
        {"exact time taken for the MS-DOS one before it", true, dosTime, "2018-02-23 01:19:29"},
        {"a changed exact time not shown", true, dosTime + 1, "2018-02-23 01:19:30"},
        {"MS-DOS time taken for the exact one before it", false, dosTime + 1, "2025-04-15 13:33:04"},
        {"a changed MS-DOS time not shown", false, dosTime, "2025-04-15 13:33:02"},
    };
    TempDir dir;
    CraftedZip zip;
    for (const Row& row : rows) {
        CraftedEntry entry = StoredEntry("t.txt", Bytes{});
        entry.DosDateTime = row.exact ? 0 : row.value;
        if (row.exact) {
            PutLe16(entry.Extra, 0x5455);
            PutLe16(entry.Extra, 5);
            entry.Extra.push_back(1);  // modification time present
            PutLe32(entry.Extra, row.value);
        }
        zip.Add(entry);
    }
    WriteFile(dir / "t.zip", zip.Build());
    const auto run = RunCommand("TZ=UTC " + Quote(VALBRIX_CLI) + " list " + Quote((dir / "t.zip").string()));
    std::istringstream lines(run.Output);
    std::string line;
    for (const Row& row : rows) {
        std::getline(lines, line);
        EXPECT_EQ(line, std::string("0\t0\t0\t00000000\t") + row.shown + "\t20\tt.txt") << row.fault;
    }
}

// Catches wrong exit statuses, crashes, or chatter: everything the reader
// refuses gives status 2 and exactly one line on stderr.
TEST(ListCommand, ExitStatusForFilesThatAreNotArchives)
{
    TempDir dir;
    WriteFile(dir / "empty.zip", Bytes{});
    WriteFile(dir / "ten.zip", Bytes{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0});  // accepted by the test, no end record
    WriteFile(dir / "text.zip", std::string("just text"));
    fs::create_directory(dir / "folder.zip");
    for (const char* name : {"empty.zip", "ten.zip", "text.zip", "folder.zip", "missing.zip"}) {
        const auto run = RunCli("list " + Quote((dir / name).string()));
        EXPECT_EQ(run.ExitCode, ExitCannotOpen) << name;
        EXPECT_TRUE(run.Output.empty()) << name;
        EXPECT_EQ(LineCount(run.Errors), 1u) << name << ": " << run.Errors;
    }
    // A self-extractor whose offsets ignore its stub: they are read shifted
    // by the stub's length, not refused as damage.
    CraftedZip sfx;
    sfx.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
    sfx.SetPrefix(DosStub(1124), false);
    WriteFile(dir / "unadjusted.exe", sfx.Build());
    const auto run = RunCli("list " + Quote((dir / "unadjusted.exe").string()));
    EXPECT_EQ(run.ExitCode, ExitOk) << run.Errors;
    EXPECT_EQ(LineCount(run.Output), 1u);
    EXPECT_EQ(RunCli("list").ExitCode, ExitUsage) << "no archive given";
}

// Catches crashes on real archives from old and odd archivers, and
// disagreements with Python wherever both read the directory (ZIP64 and
// Unicode path names included). The reader does not rebase prefixed
// archives, so it may list nothing where Python lists something; when it
// lists, it must agree.
TEST(ListCommand, FixturesListLikePythonOrNotAtAll)
{
    REQUIRE_FIXTURES();
    REQUIRE_TOOL("python3");
    std::vector<fs::path> fixtures;
    for (const auto& item : fs::directory_iterator(FixturesDir()))
        fixtures.push_back(item.path());
    const auto views = OracleViews(fixtures);
    size_t agreed = 0;
    for (size_t i = 0; i < fixtures.size(); ++i) {
        const std::string name = fixtures[i].filename().string();
        const auto ours = RunCli("list " + Quote(fixtures[i].string()));
        ASSERT_TRUE(ours.ExitCode == ExitOk || ours.ExitCode == ExitCannotOpen) << name << " ended with " << ours.ExitCode;
        if (views[i] == Unreadable || ours.Output.empty())
            continue;
        EXPECT_EQ(ours.Output, views[i]) << name;
        ++agreed;
    }
    EXPECT_GE(agreed, 80u) << "too few fixtures were compared for the test to mean much";
}

// Catches the archive comment lost, printed raw (an escape sequence reaches
// the terminal), its line breaks escaped away, code page 437 bytes printed
// as invalid UTF-8, output where there is no comment, and a missing part
// of a split set not named.
TEST(ListCommand, CommentCommand)
{
    TempDir dir;
    struct Case { const char* fault; std::string stored; std::string printed; };
    const Case cases[] = {
        {"no comment printed something", "", ""},
        {"line breaks lost (CR LF is one)", "Version 2.1\r\nRead me first\n", "Version 2.1\nRead me first\n"},
        {"control characters printed raw", "red \x1b[31m bell \x07 tab\t", "red \\x1b[31m bell \\x07 tab\\t\n"},
        {"code page 437 not decoded", "Gr\x94\xe1" "e", "Gr\xc3\xb6\xc3\x9f" "e\n"},
        {"UTF-8 decoded twice", "Gr\xc3\xbc\xc3\x9f" "e", "Gr\xc3\xbc\xc3\x9f" "e\n"},
    };
    for (const Case& c : cases) {
        CraftedZip zip;
        zip.Add(StoredEntry("a.txt", Bytes{'a'}));
        zip.SetArchiveComment(c.stored);
        WriteFile(dir / "c.zip", zip.Build());
        const auto run = RunCli("comment " + Quote((dir / "c.zip").string()));
        EXPECT_EQ(run.ExitCode, ExitOk) << c.fault << run.Errors;
        EXPECT_EQ(run.Output, c.printed) << c.fault;
    }
    CraftedZip zip;
    zip.Add(StoredEntry("a.txt", Bytes{'a'}));
    WriteFile(dir / "set.z01", Bytes(100, 'x'));
    const auto missing = RunCli("comment " + Quote((dir / "set.z01").string()));
    EXPECT_EQ(missing.ExitCode, ExitCannotOpen);
    EXPECT_NE(missing.Errors.find("part set.zip is missing"), std::string::npos) << missing.Errors;
}

