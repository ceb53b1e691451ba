// Entry name decoding: code page 437 table, UTF-8 validity, boundary-safe
// cutting and the Unicode path extra field. Pure functions over the bytes
// given; nothing is kept between calls.
#include "engine/archive/EntryName.h"

#include <algorithm>
#include <cstring>

#include "engine/ByteWords.h"
#include "engine/Crc32.h"
#include "engine/EngineState.h"
#include "engine/LittleEndian.h"

namespace valbrix {

namespace {

// Code page 437, bytes 0x80..0xFF, as Unicode code points. The lower half is
// ASCII (control bytes included) and needs no table.
constexpr uint16_t Cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 0x90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // 0xA0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // 0xE0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Every code point of the table lies below U+10000, so two or three bytes.
size_t Utf8Length(uint16_t codePoint) { return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : 3; }

// Writes the code point at out, which has room for Utf8Length of it; returns the byte behind.
char* PutUtf8(char* out, uint16_t codePoint)
{
    if (codePoint < 0x80) {
        *out++ = char(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = char(0xC0 | (codePoint >> 6));
        *out++ = char(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = char(0xE0 | (codePoint >> 12));
        *out++ = char(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = char(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// A name may be 64 KB; byte by byte, its check was most of reading a
// directory of such names under the fuzzer's comparison tracing.
uint32_t NameCrc32(const uint8_t* data, size_t length)
{
    return ~Crc32Update(0xFFFFFFFFu, data, length);
}

}  // namespace

bool IsValidUtf8(const uint8_t* text, size_t textBytes)
{
    size_t i = 0;
    while (i < textBytes) {
        const uint8_t lead = text[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        uint32_t codePoint;
        uint32_t smallest;  // below this the sequence is an overlong form
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, codePoint = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, codePoint = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, codePoint = lead & 0x07, smallest = 0x10000;
        } else {
            return false;  // a stray continuation byte or 0xF8..0xFF
        }
        if (textBytes - i <= extra)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if (!IsContinuation(text[i + k]))
                return false;
            codePoint = (codePoint << 6) | (text[i + k] & 0x3F);
        }
        if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendCp437AsUtf8(std::string& out, const uint8_t* text, size_t textBytes, size_t maxOutBytes)
{
    // Written into room made once: appended a byte at a time, the string's
    // growth checks were most of decoding a name in the fuzz build.
    const size_t startBytes = out.size();
    if (startBytes >= maxOutBytes)
        return;
    out.resize(std::min(maxOutBytes, startBytes + 3 * textBytes));
    char* next = out.data() + startBytes;
    const char* const limit = out.data() + out.size();
    for (size_t i = 0; i < textBytes; ++i) {
        const uint16_t codePoint = text[i] < 0x80 ? text[i] : Cp437High[text[i] - 0x80];
        if (size_t(limit - next) < Utf8Length(codePoint))
            break;
        next = PutUtf8(next, codePoint);
    }
    out.resize(size_t(next - out.data()));
}

std::string DecodeCommentText(const uint8_t* text, size_t textBytes)
{
    if (IsValidUtf8(text, textBytes))
        return std::string(reinterpret_cast<const char*>(text), textBytes);
    std::string comment;
    AppendCp437AsUtf8(comment, text, textBytes, textBytes * 3);
    return comment;
}

size_t Utf8CutLength(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    // Back off over continuation bytes to the start of the character that
    // would be split; at most three, so invalid input cannot walk far.
    size_t cut = maxBytes;
    for (int steps = 0; steps < 3 && cut > 0 && IsContinuation(uint8_t(text[cut])); ++steps)
        --cut;
    return cut;
}

namespace {

// ASCII without NUL or '\\': nearly every name, the same under every
// decoding and needing no change, so it is copied as it stands.
bool IsPlainAsciiName(const uint8_t* stored, size_t storedBytes)
{
    size_t i = 0;
    for (; i + 8 <= storedBytes; i += 8) {
        const uint64_t word = LoadWord(stored + i);
        if ((word & ByteHighs) != 0 || HasZeroByte(word) || HasByte(word, '\\'))
            return false;
    }
    for (; i < storedBytes; ++i)
        if (stored[i] >= 0x80 || stored[i] == 0 || stored[i] == '\\')
            return false;
    return true;
}

}  // namespace

void DecodeEntryNameInto(std::string& name, const uint8_t* stored, size_t storedBytes, uint16_t flags,
                         uint8_t hostSystem, size_t maxNameBytes)
{
    if (IsPlainAsciiName(stored, storedBytes)) {
        name.assign(reinterpret_cast<const char*>(stored), std::min(storedBytes, maxNameBytes));
        return;
    }
    // Names are zero-terminated wherever they are used as paths; ending them
    // here keeps the shown name and the created file the same.
    if (const void* zero = std::memchr(stored, 0, storedBytes))
        storedBytes = size_t(static_cast<const uint8_t*>(zero) - stored);

    const bool asStored = (flags & gpUtf8Name) != 0 || (hostSystem != hsMsDos && IsValidUtf8(stored, storedBytes));
    if (asStored) {
        // Keep up to three bytes beyond the limit so the cut can see whether
        // the limit falls inside a character.
        name.assign(reinterpret_cast<const char*>(stored), storedBytes < maxNameBytes + 4 ? storedBytes : maxNameBytes + 4);
        name.resize(Utf8CutLength(name, maxNameBytes));
    } else {
        name.clear();
        AppendCp437AsUtf8(name, stored, storedBytes, maxNameBytes);
    }
    for (char& c : name)
        if (c == '\\')
            c = '/';
}

std::string DecodeEntryName(const uint8_t* stored, size_t storedBytes, uint16_t flags, uint8_t hostSystem,
                            size_t maxNameBytes)
{
    std::string name;
    DecodeEntryNameInto(name, stored, storedBytes, flags, hostSystem, maxNameBytes);
    return name;
}

bool TakeUnicodePathName(const uint8_t* field, size_t fieldBytes, const uint8_t* stored, size_t storedBytes,
                         size_t maxNameBytes, std::string& name)
{
    constexpr size_t HeadBytes = 5;  // version, CRC-32
    if (fieldBytes <= HeadBytes || field[0] != 1 || Le32(field + 1) != NameCrc32(stored, storedBytes))
        return false;
    const uint8_t* utf8 = field + HeadBytes;
    const size_t utf8Bytes = fieldBytes - HeadBytes;
    if (!IsValidUtf8(utf8, utf8Bytes))
        return false;
    name = DecodeEntryName(utf8, utf8Bytes, gpUtf8Name, 0, maxNameBytes);
    return true;
}

}  // namespace valbrix
