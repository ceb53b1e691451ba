// Decoder of method 1 ("shrunk"): LZW with 9- to 13-bit codes, where code 256
// escapes a control (1 = widen the codes by one bit, 2 = free the leaf codes).
//
// Shared state: it borrows the engine state's bit reader and OutWindow and
// keeps every table inside that window (staging buffer, prefix and suffix
// tables, expansion stack), so it allocates nothing. Nothing survives the call.
//
// Bad input: a control other than 1 or 2, a width above 13, a free code that
// is not the next one to define, and a prefix chain that is cyclic, reaches a
// free code or outgrows the stack all end with erFormat; compressed data that
// ends early ends with erRead. Every loop is bounded by the bit budget or the
// 8192-byte stack, so any input ends in bounded time.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

constexpr int ControlCode = 256;
constexpr int FirstStringCode = 257;
constexpr int LastStringCode = 8192;   // the tables have an entry for it, ...
constexpr int LastUsableCode = 8191;   // ... but 13 bits cannot name it, so it is never defined
constexpr int TableFull = LastStringCode + 1;
constexpr int MinCodeSize = 9;
constexpr int MaxCodeSize = 13;
constexpr int ControlWiden = 1;
constexpr int ControlPartialClear = 2;

// The areas of OutWindow. The staging buffer is 767 bytes (not 768): flushes
// happen in pieces of that size, and the tables start right behind it.
constexpr size_t StagingSize = 767;
constexpr size_t PrefixOffset = StagingSize;
constexpr size_t StringCodeCount = LastStringCode - FirstStringCode + 1;
constexpr size_t SuffixOffset = PrefixOffset + 2 * StringCodeCount;
constexpr size_t StackOffset = 24576;
constexpr size_t StackSize = 8192;
static_assert(SuffixOffset == 16639, "prefix table must end where the suffix table starts");
static_assert(SuffixOffset + StringCodeCount <= StackOffset, "suffix table overlaps the stack");
static_assert(StackOffset + StackSize == WindowSize, "the stack must end at the window's end");

// Marks of the partial clear in a prefix entry. A defined entry holds a code
// of at most 8192, so both bits are clear; a free entry is negative, so both
// are set, unless ClearLeafCodes took bit 15 off a free code because some
// defined code still names it as prefix: bit 14 then still says "free".
constexpr uint16_t LeafMark = 0x8000;
constexpr uint16_t FreeMark = 0x4000;
constexpr uint16_t PrefixBits = 0x7FFF;

class TUnshrinker {
public:
    explicit TUnshrinker(TEngineState& state) : FState(state), FWindow(state.OutWindow) {}
    int Run();

private:
    // Prefix entries sit at odd offsets; memcpy keeps the access legal.
    int16_t Prefix(int code) const
    {
        int16_t value;
        std::memcpy(&value, FWindow + PrefixOffset + 2 * size_t(code - FirstStringCode), 2);
        return value;
    }
    void SetPrefix(int code, int value)
    {
        const int16_t v = int16_t(value);
        std::memcpy(FWindow + PrefixOffset + 2 * size_t(code - FirstStringCode), &v, 2);
    }
    uint8_t Suffix(int code) const { return FWindow[SuffixOffset + size_t(code - FirstStringCode)]; }
    void SetSuffix(int code, uint8_t value) { FWindow[SuffixOffset + size_t(code - FirstStringCode)] = value; }

    unsigned ReadCode()
    {
        FState.FillBits(unsigned(FCodeSize));
        const unsigned code = unsigned(FState.BitBuf) & MaskBits[FCodeSize];
        FState.DropBits(unsigned(FCodeSize));
        FBitBudget -= FCodeSize;
        return code;
    }

    void ResetTables();
    int DecodeCode(int code);
    bool DefineHeadCode();
    bool PutShrunkByte(uint8_t value);
    bool PutShrunkRun(const uint8_t* data, size_t count);
    bool FlushShrunkBytes();
    void ClearLeafCodes();

    TEngineState& FState;
    uint8_t* FWindow;
    int FCodeSize = MinCodeSize;   // current code width in bits
    int FPreviousCode = 0;         // the last string or literal code read
    uint8_t FLeadByte = 0;         // first byte of the most recently decoded string
    int FFreeCodeHead = FirstStringCode; // next code to define; above 8191 when none is free
    size_t FStagingCount = 0;      // bytes waiting in the staging buffer
    int64_t FBitBudget = 0;        // compressed bits left; 64-bit so 256 MB+ entries do not overflow
};

// The prefix table of a fresh entry: the free list in ascending order, each
// free entry naming the next free code, negated. Built once and copied in:
// setting it entry by entry was a large part of a short entry's cost.
const uint8_t* InitialPrefixes()
{
    static const auto table = [] {
        std::array<uint8_t, 2 * StringCodeCount> bytes{};
        for (int code = FirstStringCode; code <= LastStringCode; ++code) {
            const int16_t value = int16_t(-(code + 1));
            std::memcpy(bytes.data() + 2 * size_t(code - FirstStringCode), &value, 2);
        }
        return bytes;
    }();
    return table.data();
}

void TUnshrinker::ResetTables()
{
    std::memset(FWindow, 0, WindowSize);
    std::memcpy(FWindow + PrefixOffset, InitialPrefixes(), 2 * StringCodeCount);
    FFreeCodeHead = FirstStringCode;
    FStagingCount = 0;
    FCodeSize = MinCodeSize;
}

bool TUnshrinker::FlushShrunkBytes()
{
    return FState.FlushWindow(FStagingCount);
}

bool TUnshrinker::PutShrunkByte(uint8_t value)
{
    FWindow[FStagingCount++] = value;
    if (FStagingCount < StagingSize)
        return true;
    const bool written = FlushShrunkBytes();
    FStagingCount = 0;
    return written;
}

// Same as PutShrunkByte for each byte, in pieces that fill the staging buffer.
bool TUnshrinker::PutShrunkRun(const uint8_t* data, size_t count)
{
    // Most strings are a few bytes long: a plain loop beats a library call.
    if (FStagingCount + count < StagingSize) {
        uint8_t* out = FWindow + FStagingCount;
        for (size_t i = 0; i < count; ++i)
            out[i] = data[i];
        FStagingCount += count;
        return true;
    }
    while (count > 0) {
        const size_t piece = std::min(count, StagingSize - FStagingCount);
        std::memcpy(FWindow + FStagingCount, data, piece);
        FStagingCount += piece;
        data += piece;
        count -= piece;
        if (FStagingCount == StagingSize) {
            const bool written = FlushShrunkBytes();
            FStagingCount = 0;
            if (!written)
                return false;
        }
    }
    return true;
}

// Frees every code below the head that no code below the head names as its
// prefix, and threads the freed codes (with the already free ones there) in
// ascending order in front of the old free list.
void TUnshrinker::ClearLeafCodes()
{
    const int last = std::min(FFreeCodeHead - 1, LastUsableCode);
    for (int code = FirstStringCode; code <= last; ++code)
        SetPrefix(code, int16_t(uint16_t(Prefix(code)) | LeafMark));
    for (int code = FirstStringCode; code <= last; ++code) {
        const int prefix = uint16_t(Prefix(code)) & PrefixBits;
        // A prefix above the considered range is left alone: if it is a free
        // code there, clearing its bit would break the free list's link.
        if (prefix > ControlCode && prefix <= last)
            SetPrefix(prefix, int16_t(uint16_t(Prefix(prefix)) & ~LeafMark));
    }
    int firstLeaf = 0;
    int previousLeaf = 0;
    for (int code = FirstStringCode; code <= last; ++code) {
        if ((uint16_t(Prefix(code)) & (LeafMark | FreeMark)) == 0)
            continue;
        if (previousLeaf == 0)
            firstLeaf = code;
        else
            SetPrefix(previousLeaf, -code);
        previousLeaf = code;
    }
    if (previousLeaf == 0)
        return;
    SetPrefix(previousLeaf, -FFreeCodeHead);
    FFreeCodeHead = firstLeaf;
}

// Gives the head code the previous code as prefix and the lead byte as suffix.
// False when the head's entry is not a free link, which would mean a broken
// free list; refusing keeps it from spreading.
bool TUnshrinker::DefineHeadCode()
{
    // Full: nothing is defined until a partial clear frees codes. Code 8192
    // counts as used: defining it would change nothing but would keep its
    // prefix from being freed by the next partial clear, while encoders free
    // it, and every code after that would be numbered differently.
    if (FFreeCodeHead > LastUsableCode)
        return true;
    const int head = FFreeCodeHead;
    const int next = -Prefix(head);
    if (next <= head || next > TableFull)
        return false;
    SetPrefix(head, FPreviousCode);
    SetSuffix(head, FLeadByte);
    FFreeCodeHead = next;
    return true;
}

// Expands one literal or string code into the output and defines the head
// code. Returns erOk, erOutput or erFormat.
int TUnshrinker::DecodeCode(int code)
{
    if (code < ControlCode) {
        FLeadByte = uint8_t(code);
        if (!PutShrunkByte(FLeadByte))
            return erOutput;
    } else {
        uint8_t* const stack = FWindow + StackOffset;
        size_t stackPos = StackSize;
        int chain = code;
        if (Prefix(code) < 0) {
            // Only the code about to be defined may be named before it exists
            // (the string is the previous one plus its own first byte).
            if (code != FFreeCodeHead)
                return erFormat;
            stack[--stackPos] = FLeadByte;
            chain = FPreviousCode;
        }
        // Bounded by the stack: a cyclic chain overflows it and ends here.
        while (chain > ControlCode) {
            const int prefix = Prefix(chain);
            if (prefix < 0 || stackPos == 0)
                return erFormat;
            stack[--stackPos] = Suffix(chain);
            chain = prefix;
        }
        FLeadByte = uint8_t(chain);
        if (!PutShrunkByte(FLeadByte) || !PutShrunkRun(stack + stackPos, StackSize - stackPos))
            return erOutput;
    }
    if (!DefineHeadCode())
        return erFormat;
    FPreviousCode = code;
    return erOk;
}

// Contract: the driver has positioned the input at the compressed data, set
// InputSize to its length and given an OutWindow of WindowSize bytes. Reads
// at most InputSize bytes of codes (bits are counted against the budget, not
// against end of data); every output byte goes through FlushWindow in pieces
// of 767 bytes and one final piece.
int TUnshrinker::Run()
{
    if (FState.InputSize == UnknownSize)
        return erUnsupported;  // without the compressed size nothing says where the codes end
    FState.ResetInput();
    FState.WindowPos = 0;
    ResetTables();
    // An empty entry has no codes at all; reading one would invent a byte.
    if (FState.InputSize == 0)
        return FlushShrunkBytes() ? erOk : erOutput;

    FBitBudget = int64_t(FState.InputSize) * 8;
    const unsigned first = ReadCode();
    FPreviousCode = int(first);
    FLeadByte = uint8_t(first);
    if (!PutShrunkByte(FLeadByte))
        return erOutput;

    while (!FState.AbortFlag && !FState.InputEof && FBitBudget >= FCodeSize) {
        const int code = int(ReadCode());
        if (code == ControlCode) {
            const unsigned control = ReadCode();
            if (control == ControlWiden) {
                if (++FCodeSize > MaxCodeSize)
                    return erFormat;
            } else if (control == ControlPartialClear) {
                ClearLeafCodes();
            } else {
                return erFormat;
            }
            continue;
        }
        const int result = DecodeCode(code);
        if (result != erOk)
            return result;
    }
    if (FState.AbortFlag)
        return erAborted;
    // The stream promised more codes than the archive holds; what RefillInput
    // offers after that is stale and must not be decoded as data.
    if (FState.InputEof)
        return erRead;
    return FlushShrunkBytes() ? erOk : erOutput;
}

}  // namespace

int Unshrink(TEngineState& state)
{
    TUnshrinker unshrinker(state);
    return unshrinker.Run();
}

}  // namespace valbrix
