// Escaping of names for printing; see the header.
#include "cli/NameText.h"

#include <cstdint>
#include <cstring>

#include "engine/ByteWords.h"

namespace valbrix::cli {

namespace {

// Bytes of the well-formed UTF-8 sequence at `at`, or 0 when it is not one
// (overlong forms, surrogates and values above U+10FFFF included); its code
// point in `decoded`.
size_t Utf8SequenceBytes(std::string_view text, size_t at, uint32_t& decoded)
{
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(at);
    size_t length = 0;
    uint32_t codePoint = 0;
    uint32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, codePoint = lead & 0x1F, smallest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, codePoint = lead & 0x0F, smallest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, codePoint = lead & 0x07, smallest = 0x10000;
    else
        return 0;
    if (text.size() - at < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        codePoint = codePoint << 6 | (byte(at + i) & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    decoded = codePoint;
    return length;
}

constexpr char HexDigits[] = "0123456789abcdef";
constexpr char UpperHexDigits[] = "0123456789ABCDEF";

char* PutHexByte(char* out, uint8_t value)
{
    *out++ = '\\';
    *out++ = 'x';
    *out++ = HexDigits[value >> 4];
    *out++ = HexDigits[value & 15];
    return out;
}

// Marks and overrides that reorder what follows them on a terminal, so
// "invoice<RLO>txt.exe" would read as "invoiceexe.txt".
bool IsBidiControl(uint32_t codePoint)
{
    return (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069) ||
           codePoint == 0x200E || codePoint == 0x200F || codePoint == 0x061C;
}

// Every bidirectional control lies below U+10000: four hex digits, eight bytes in all.
char* PutCodePointEscape(char* out, uint32_t codePoint)
{
    *out++ = '\\';
    *out++ = 'u';
    *out++ = '{';
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = UpperHexDigits[(codePoint >> shift) & 15];
    *out++ = '}';
    return out;
}

}  // namespace

char* PutEscapedName(char* out, std::string_view name)
{
    uint32_t codePoint = 0;
    const auto plain = [](uint8_t c) { return c >= 0x20 && c < 0x7F && c != '\\'; };
    for (size_t at = 0; at < name.size();) {
        const uint8_t c = uint8_t(name[at]);
        if (plain(c)) {
            // A run at a time, eight bytes a step where they are all plain:
            // most names are nothing else.
            size_t end = at + 1;
            for (; end + 8 <= name.size(); end += 8) {
                const uint64_t word = LoadWord(name.data() + end);
                if ((word & ByteHighs) != 0 || HasByteBelow(word, 0x20) || HasByte(word, 0x7F) || HasByte(word, '\\'))
                    break;
            }
            while (end < name.size() && plain(uint8_t(name[end])))
                ++end;
            std::memcpy(out, name.data() + at, end - at);
            out += end - at;
            at = end;
        } else if (c == '\t' || c == '\n' || c == '\\') {
            *out++ = '\\';
            *out++ = c == '\t' ? 't' : c == '\n' ? 'n' : '\\';
            ++at;
        } else if (const size_t length = c >= 0x80 ? Utf8SequenceBytes(name, at, codePoint) : 0;
                   length > 0 && codePoint >= 0xA0) {  // 80..9F: C1 controls
            if (IsBidiControl(codePoint)) {
                out = PutCodePointEscape(out, codePoint);
            } else {
                std::memcpy(out, name.data() + at, length);
                out += length;
            }
            at += length;
        } else {
            out = PutHexByte(out, c);
            ++at;
        }
    }
    return out;
}

void AppendEscapedName(std::string& out, std::string_view name)
{
    const size_t startBytes = out.size();
    out.resize(startBytes + MaxEscapedBytesPerByte * name.size());
    out.resize(size_t(PutEscapedName(out.data() + startBytes, name) - out.data()));
}

std::string EscapedName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    AppendEscapedName(out, name);
    return out;
}

std::string UnescapedName(std::string_view text)
{
    const auto hexValue = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string name;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || (next != 't' && next != 'n' && next != '\\' && next != 'x')) {
            name += text[i];
            continue;
        }
        if (next == 'x') {
            const int high = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            const int low = i + 3 < text.size() ? hexValue(text[i + 3]) : -1;
            if (high < 0 || low < 0) {  // no escape after all: kept as typed
                name += text[i];
                continue;
            }
            name += char(high * 16 + low);
            i += 3;
            continue;
        }
        name += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
        ++i;
    }
    return name;
}

}  // namespace valbrix::cli
