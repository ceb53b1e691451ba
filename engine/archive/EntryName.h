// Turns the name bytes stored in a central directory header into the UTF-8
// name the rest of the program uses. Archives from MS-DOS and old Windows
// store names in the OEM code page 437; newer ones store UTF-8 and say so in
// flag bit 11, or (Unix hosts) store UTF-8 without saying so, or keep a UTF-8
// name in the Unicode path extra field beside the plain one. Shares no state.
// Bad input (invalid UTF-8 under bit 11, control bytes, embedded zero bytes)
// never fails: the result is always a string of at most MaxNameBytes bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/archive/ZipFormat.h"

namespace valbrix {

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(const uint8_t* text, size_t textBytes);

// Appends the code page 437 text to out as UTF-8, stopping before the
// character that would make out longer than maxOutBytes.
void AppendCp437AsUtf8(std::string& out, const uint8_t* text, size_t textBytes, size_t maxOutBytes);

// A comment (the archive's or an entry's) as UTF-8: as stored when that is
// valid UTF-8, else read as code page 437. Writers set no flag for comments
// that anyone honours, so the bytes themselves decide.
std::string DecodeCommentText(const uint8_t* text, size_t textBytes);

// The longest prefix of text of at most maxBytes bytes that does not end
// inside a UTF-8 sequence.
size_t Utf8CutLength(const std::string& text, size_t maxBytes);

// The entry name as the program shows and creates it: decoded (bit 11 set:
// UTF-8 as stored; else valid UTF-8 from a non-MS-DOS host: as stored; else
// code page 437), ended at the first zero byte, every '\' turned into '/',
// and cut to at most maxNameBytes bytes at a character boundary.
std::string DecodeEntryName(const uint8_t* stored, size_t storedBytes, uint16_t flags, uint8_t hostSystem,
                            size_t maxNameBytes);
// The same into `name`, whose room is used again: listing a large directory
// then allocates nothing per entry.
void DecodeEntryNameInto(std::string& name, const uint8_t* stored, size_t storedBytes, uint16_t flags,
                         uint8_t hostSystem, size_t maxNameBytes);

// The Unicode path extra field (id 0x7075): version 1, the CRC-32 of the
// plain name as stored, then the name in UTF-8. When the CRC matches the
// plain name's bytes (so the field was written for this very name) and the
// name is well-formed, non-empty UTF-8, sets name to it with the rules of
// DecodeEntryName and returns true; otherwise leaves name alone.
bool TakeUnicodePathName(const uint8_t* field, size_t fieldBytes, const uint8_t* stored, size_t storedBytes,
                         size_t maxNameBytes, std::string& name);

}  // namespace valbrix
