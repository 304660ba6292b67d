// Reference-counted, copy-on-write strings. Both string types keep their
// text in one heap block: the 16-byte TmyStringBlock header followed by the
// character cells (char or wchar_t). The block helpers below are shared by
// both types through the cell type.
#include "myString.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace {

// Room a reserving TmyString gets at least, terminator not counted.
constexpr unsigned myStringMinimumRoom = 16;
// Longest command-line token in bytes; longer tokens are cut.
constexpr unsigned myTokenMaximumLength = 4095;
// Largest capacity a block header can record.
constexpr uint64_t myBlockMaximumCapacity = UINT32_MAX;

// Writes through TmyString::At beyond the capacity land here.
char myDummyCell;

// Heap exhaustion is not reported by the string types: the process ends.
[[noreturn]] void OutOfStringMemory()
{
    std::abort();
}

template <typename Cell>
Cell* Cells(TmyStringBlock* block)
{
    return reinterpret_cast<Cell*>(block + 1);
}

template <typename Cell>
const Cell* Cells(const TmyStringBlock* block)
{
    return reinterpret_cast<const Cell*>(block + 1);
}

// Bytes of a block with the given number of cells, or 0 when it cannot exist.
template <typename Cell>
size_t BlockBytes(uint64_t capacity)
{
    if (capacity == 0 || capacity > myBlockMaximumCapacity)
        return 0;
    const uint64_t bytes = sizeof(TmyStringBlock) + capacity * sizeof(Cell);
    return bytes > SIZE_MAX ? 0 : static_cast<size_t>(bytes);
}

// Copies count cells; the areas may overlap and source may be null when count is 0.
template <typename Cell>
void CopyCells(Cell* target, const Cell* source, unsigned count)
{
    if (count > 0)
        std::memmove(target, source, count * sizeof(Cell));
}

// A block of one reference, length 0 and every cell zeroed.
template <typename Cell>
TmyStringBlock* NewBlock(uint64_t capacity)
{
    const size_t bytes = BlockBytes<Cell>(capacity);
    void* memory = bytes == 0 ? nullptr : std::malloc(bytes);
    if (memory == nullptr)
        OutOfStringMemory();
    std::memset(memory, 0, bytes);
    TmyStringBlock* block = static_cast<TmyStringBlock*>(memory);
    block->Capacity = static_cast<uint32_t>(capacity);
    block->References = 1;
    return block;
}

// A new block holding length cells of text (null: zero cells), raised to
// length + 1 cells when the capacity asked for is smaller.
template <typename Cell>
TmyStringBlock* NewBlock(const Cell* text, unsigned length, uint64_t capacity)
{
    const uint64_t needed = uint64_t(length) + 1;
    TmyStringBlock* block = NewBlock<Cell>(capacity < needed ? needed : capacity);
    if (text != nullptr)
        CopyCells(Cells<Cell>(block), text, length);
    block->Length = length;
    return block;
}

void AddReference(TmyStringBlock* block)
{
    InterlockedIncrement(reinterpret_cast<volatile LONG*>(&block->References));
}

// Drops one reference; the last one frees the block.
void Release(TmyStringBlock* block)
{
    if (InterlockedDecrement(reinterpret_cast<volatile LONG*>(&block->References)) == 0)
        std::free(block);
}

// Points target at source's block, one more reference; self-assignment safe.
void Share(TmyStringBlock*& target, TmyStringBlock* source)
{
    AddReference(source);
    Release(target);
    target = source;
}

// Replaces target's block by a new one that it alone holds.
void TakeOver(TmyStringBlock*& target, TmyStringBlock* fresh)
{
    Release(target);
    target = fresh;
}

// Capacity the block has after being made private with at least room cells:
// a shared block is copied with max(room, length + 1) cells, a private one
// grows to room cells and never shrinks.
uint64_t PrivateCapacity(const TmyStringBlock* block, uint64_t room)
{
    if (block->References > 1) {
        const uint64_t needed = uint64_t(block->Length) + 1;
        return room > needed ? room : needed;
    }
    return room > block->Capacity ? room : block->Capacity;
}

// Copy-on-write: afterwards this holder alone owns a block of at least room
// cells that holds the same text. The copy is taken before the shared block
// loses this holder's reference, so another thread releasing its last
// reference meanwhile cannot free the text being copied.
template <typename Cell>
void MakePrivate(TmyStringBlock*& block, uint64_t room)
{
    const uint64_t capacity = PrivateCapacity(block, room);
    if (block->References > 1) {
        TakeOver(block, NewBlock<Cell>(Cells<Cell>(block), block->Length, capacity));
        return;
    }
    if (capacity == block->Capacity)
        return;
    void* memory = std::realloc(block, BlockBytes<Cell>(capacity));
    if (memory == nullptr)
        OutOfStringMemory();
    block = static_cast<TmyStringBlock*>(memory);
    Cell* cells = Cells<Cell>(block);
    std::memset(cells + block->Length, 0, (capacity - block->Length) * sizeof(Cell));
    block->Capacity = static_cast<uint32_t>(capacity);
}

// Sets the length and the terminator behind it.
template <typename Cell>
void SetLength(TmyStringBlock* block, unsigned length)
{
    block->Length = length;
    Cells<Cell>(block)[length] = 0;
}

// Cells before the first zero cell; null counts as empty.
template <typename Cell>
unsigned TextLength(const Cell* text)
{
    unsigned length = 0;
    if (text != nullptr)
        while (text[length] != 0)
            ++length;
    return length;
}

// Length of the text up to the first zero cell, at most the block's last cell.
template <typename Cell>
unsigned LengthToTerminator(const TmyStringBlock* block)
{
    const Cell* cells = Cells<Cell>(block);
    unsigned length = 0;
    while (length + 1 < block->Capacity && cells[length] != 0)
        ++length;
    return length;
}

// Compares up to the first terminator, cells taken as unsigned values:
// negative, zero or positive as left is smaller, equal or greater.
template <typename Cell>
int CompareText(const Cell* left, const Cell* right)
{
    using Unsigned = std::make_unsigned_t<Cell>;
    for (;; ++left, ++right) {
        const Unsigned a = static_cast<Unsigned>(*left);
        const Unsigned b = static_cast<Unsigned>(*right);
        if (a != b)
            return a < b ? -1 : 1;
        if (a == 0)
            return 0;
    }
}

// A new block holding left followed by right, with the given capacity.
template <typename Cell>
TmyStringBlock* Concatenate(const Cell* left, unsigned leftLength, const Cell* right,
                            unsigned rightLength, uint64_t capacity)
{
    TmyStringBlock* block = NewBlock<Cell>(left, leftLength, capacity);
    CopyCells(Cells<Cell>(block) + leftLength, right, rightLength);
    SetLength<Cell>(block, leftLength + rightLength);
    return block;
}

// True when text points into the cells of block.
template <typename Cell>
bool PointsInto(const TmyStringBlock* block, const Cell* text)
{
    const uintptr_t first = reinterpret_cast<uintptr_t>(Cells<Cell>(block));
    const uintptr_t address = reinterpret_cast<uintptr_t>(text);
    return address >= first && address < first + uint64_t(block->Capacity) * sizeof(Cell);
}

// Appends tail in place after making the block private with room for both.
// A tail inside the block's own cells (appending a string to itself) is
// found again at the same index, since the block may move or be copied.
template <typename Cell>
void Append(TmyStringBlock*& block, const Cell* tail, unsigned tailLength)
{
    const unsigned length = block->Length;
    const bool inside = PointsInto(block, tail);
    const ptrdiff_t offset = inside ? tail - Cells<Cell>(block) : 0;
    MakePrivate<Cell>(block, uint64_t(length) + tailLength + 1);
    if (inside)
        tail = Cells<Cell>(block) + offset;
    CopyCells(Cells<Cell>(block) + length, tail, tailLength);
    SetLength<Cell>(block, length + tailLength);
}

// Cells a range of count cells from start keeps of a text of the given
// length; start must not lie beyond the length.
unsigned CutCount(unsigned length, unsigned start, unsigned count)
{
    return count < length - start ? count : length - start;
}

// Index of the last cell equal to c, or -1.
int LastIndexOf(const char* text, unsigned length, char c)
{
    for (unsigned i = length; i > 0; --i)
        if (text[i - 1] == c)
            return static_cast<int>(i - 1);
    return -1;
}

// Capacity of a TmyString that reserves room for count characters.
uint64_t ReservedCapacity(uint64_t count)
{
    return (count > myStringMinimumRoom ? count : myStringMinimumRoom) + 1;
}

// Command-line bytes are judged as signed 8-bit values: every byte of 0x80
// or above is below 33 and so counts as a blank outside quotes.
constexpr bool IsTokenBlank(char c)
{
    return c != 0 && static_cast<signed char>(c) <= 32;
}

constexpr bool IsTokenByte(char c)
{
    return static_cast<signed char>(c) > 32;
}

}  // namespace

// ---------------------------------------------------------------- TmyString

TmyString::TmyString() : TmyString(TmyReserve{0})
{
}

TmyString::TmyString(TmyReserve room) : Block(NewBlock<char>(ReservedCapacity(room.Count)))
{
}

TmyString::TmyString(const char* text) : TmyString(text, TextLength(text))
{
}

TmyString::TmyString(const char* text, unsigned length)
    : Block(NewBlock<char>(text, length, uint64_t(length) + 1))
{
}

TmyString::TmyString(const char* text, unsigned length, unsigned capacity)
    : Block(NewBlock<char>(text, length, capacity))
{
}

// Measures the converted size first; a failed or empty conversion leaves an
// empty string of capacity 1.
TmyString::TmyString(const wchar_t* text, unsigned codePage, int count)
{
    const int size = WideCharToMultiByte(codePage, 0, text, count, nullptr, 0, nullptr, nullptr);
    Block = NewBlock<char>(size > 0 ? uint64_t(size) + 1 : 1);
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text, count, Cells<char>(Block), size, nullptr, nullptr);
    SetLength<char>(Block, LengthToTerminator<char>(Block));
}

TmyString::TmyString(const TmyWideString& text)
    : TmyString(text.c_str(), CP_ACP, static_cast<int>(text.Length()))
{
}

TmyString::TmyString(const TmyString& other) : Block(other.Block)
{
    AddReference(Block);
}

TmyString::~TmyString()
{
    Release(Block);
}

TmyString& TmyString::operator=(const TmyString& other)
{
    Share(Block, other.Block);
    return *this;
}

// The new block is made before the old one goes, so text may point into it.
TmyString& TmyString::operator=(const char* text)
{
    const unsigned length = TextLength(text);
    TakeOver(Block, NewBlock<char>(text, length, uint64_t(length) + 1));
    return *this;
}

unsigned TmyString::Length() const
{
    return Block->Length;
}

unsigned TmyString::Capacity() const
{
    return Block->Capacity;
}

int TmyString::References() const
{
    return Block->References;
}

const char* TmyString::c_str() const
{
    return Cells<char>(Block);
}

// 0 at or beyond the capacity.
char TmyString::operator[](unsigned index) const
{
    return index < Block->Capacity ? Cells<char>(Block)[index] : 0;
}

// A private copy keeps the capacity, so every index below it stays writable.
char& TmyString::At(unsigned index)
{
    if (index >= Block->Capacity) {
        myDummyCell = 0;
        return myDummyCell;
    }
    MakePrivate<char>(Block, Block->Capacity);
    return Cells<char>(Block)[index];
}

// string + string and string + text reserve one cell more than text + string.
TmyString operator+(const TmyString& left, const TmyString& right)
{
    const uint64_t total = uint64_t(left.Length()) + right.Length();
    return TmyString(Concatenate(left.c_str(), left.Length(), right.c_str(), right.Length(),
                                 ReservedCapacity(total + 1)),
                     TmyString::Adopt{});
}

TmyString operator+(const TmyString& left, const char* right)
{
    const unsigned rightLength = TextLength(right);
    const uint64_t total = uint64_t(left.Length()) + rightLength;
    return TmyString(Concatenate(left.c_str(), left.Length(), right, rightLength, ReservedCapacity(total + 1)),
                     TmyString::Adopt{});
}

TmyString operator+(const char* left, const TmyString& right)
{
    const unsigned leftLength = TextLength(left);
    const uint64_t total = uint64_t(leftLength) + right.Length();
    return TmyString(Concatenate(left, leftLength, right.c_str(), right.Length(), ReservedCapacity(total)),
                     TmyString::Adopt{});
}

TmyString& TmyString::operator+=(const TmyString& tail)
{
    Append(Block, tail.c_str(), tail.Length());
    return *this;
}

TmyString TmyString::SubString(unsigned start, unsigned count) const
{
    if (start >= Block->Length)
        return TmyString();
    const unsigned taken = CutCount(Block->Length, start, count);
    return TmyString(NewBlock(c_str() + start, taken, ReservedCapacity(uint64_t(taken) + 1)), Adopt{});
}

bool TmyString::operator==(const char* text) const
{
    return CompareText(c_str(), text != nullptr ? text : "") == 0;
}

bool TmyString::operator==(const TmyString& other) const
{
    return Block == other.Block || CompareText(c_str(), other.c_str()) == 0;
}

bool TmyString::operator>(const TmyString& other) const
{
    return CompareText(c_str(), other.c_str()) > 0;
}

// Null counts as the empty text, which is found at start.
int TmyString::Find(const char* text, unsigned start) const
{
    const unsigned textLength = TextLength(text);
    if (start > Block->Length || textLength > Block->Length - start)
        return -1;
    const unsigned last = Block->Length - textLength;
    for (unsigned i = start; i <= last; ++i)
        if (std::memcmp(c_str() + i, text, textLength) == 0)
            return static_cast<int>(i);
    return -1;
}

int TmyString::Find(char c, unsigned start) const
{
    for (unsigned i = start; i < Block->Length; ++i)
        if (c_str()[i] == c)
            return static_cast<int>(i);
    return -1;
}

TmyString TmyString::LowerCase() const
{
    TmyString result(NewBlock(c_str(), Block->Length, Block->Capacity), Adopt{});
    char* cells = Cells<char>(result.Block);
    for (unsigned i = 0; i < Block->Length; ++i)
        cells[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(cells[i])));
    return result;
}

TmyString& TmyString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
    return *this;
}

// The text goes into a new block of the capacity that making this one private
// would give, so arguments that point into this string stay readable. A
// failed format leaves the string empty.
TmyString& TmyString::FormatV(const char* format, va_list args)
{
    int size = -1;
    if (format != nullptr) {
        va_list measure;
        va_copy(measure, args);
        size = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
    }
    const uint64_t room = size > 0 ? uint64_t(size) + 1 : 1;
    TmyStringBlock* fresh = NewBlock<char>(PrivateCapacity(Block, room));
    if (size > 0) {
        const int written = std::vsnprintf(Cells<char>(fresh), fresh->Capacity, format, args);
        const unsigned limit = fresh->Capacity - 1;
        SetLength<char>(fresh, written < 0 ? 0 : (unsigned(written) < limit ? unsigned(written) : limit));
    }
    TakeOver(Block, fresh);
    return *this;
}

TmyString TmyString::FolderPart() const
{
    const int slash = LastIndexOf(c_str(), Block->Length, '\\');
    return slash < 0 ? TmyString() : TmyString(c_str(), static_cast<unsigned>(slash));
}

TmyString TmyString::FileNamePart() const
{
    const int slash = LastIndexOf(c_str(), Block->Length, '\\');
    if (slash < 0)
        return *this;
    const unsigned start = static_cast<unsigned>(slash) + 1;
    return TmyString(c_str() + start, Block->Length - start);
}

// Scans back from the end: the first dot cuts, a backslash met first leaves
// the name alone so a dot in a folder name is never taken.
TmyString TmyString::WithoutExtension() const
{
    for (unsigned i = Block->Length; i > 0; --i) {
        const char c = c_str()[i - 1];
        if (c == '\\')
            break;
        if (c == '.')
            return TmyString(c_str(), i - 1);
    }
    return *this;
}

// Blanks (bytes 1..32 and 0x80 and above) separate tokens; a leading pair of
// quotes is an empty argument and is skipped; a quote opens a run that keeps
// blanks up to the next quote; quotes themselves are never collected.
const char* TmyString::NextToken(const char* text)
{
    char token[myTokenMaximumLength + 1];
    unsigned length = 0;
    const char* p = text;
    if (p != nullptr) {
        for (;;) {
            while (IsTokenBlank(*p))
                ++p;
            if (p[0] != '"' || p[1] != '"')
                break;
            p += 2;
        }
        while (IsTokenByte(*p) && length < myTokenMaximumLength) {
            if (*p != '"') {
                token[length++] = *p++;
                continue;
            }
            ++p;
            while (*p != 0 && *p != '"' && length < myTokenMaximumLength)
                token[length++] = *p++;
            if (*p == '"')
                ++p;
        }
    }
    TakeOver(Block, NewBlock<char>(token, length, uint64_t(length) + 1));
    return p;
}

// ------------------------------------------------------------ TmyWideString

TmyWideString::TmyWideString() : TmyWideString(TmyReserve{0})
{
}

TmyWideString::TmyWideString(TmyReserve room) : Block(NewBlock<wchar_t>(uint64_t(room.Count) + 1))
{
}

TmyWideString::TmyWideString(const wchar_t* text) : TmyWideString(text, TextLength(text))
{
}

TmyWideString::TmyWideString(const wchar_t* text, unsigned length)
    : Block(NewBlock<wchar_t>(text, length, uint64_t(length) + 1))
{
}

TmyWideString::TmyWideString(unsigned count, wchar_t c) : Block(NewBlock<wchar_t>(uint64_t(count) + 2))
{
    wchar_t* cells = Cells<wchar_t>(Block);
    for (unsigned i = 0; i < count; ++i)
        cells[i] = c;
    SetLength<wchar_t>(Block, count);
}

// Invalid input fails the measurement and so gives an empty string. UTF-8
// does not accept MB_PRECOMPOSED, so it is asked for only where it is valid.
TmyWideString::TmyWideString(const char* text, unsigned codePage, int byteCount)
{
    const DWORD flags = MB_ERR_INVALID_CHARS | (codePage == CP_UTF8 ? 0 : MB_PRECOMPOSED);
    const int count = byteCount < 0 ? -1 : byteCount;
    const int size = MultiByteToWideChar(codePage, flags, text, count, nullptr, 0);
    Block = NewBlock<wchar_t>(size > 0 ? uint64_t(size) + 1 : 1);
    if (size > 0)
        MultiByteToWideChar(codePage, flags, text, count, Cells<wchar_t>(Block), size);
    SetLength<wchar_t>(Block, LengthToTerminator<wchar_t>(Block));
}

TmyWideString::TmyWideString(const TmyWideString& other) : Block(other.Block)
{
    AddReference(Block);
}

TmyWideString::~TmyWideString()
{
    Release(Block);
}

TmyWideString& TmyWideString::operator=(const TmyWideString& other)
{
    Share(Block, other.Block);
    return *this;
}

unsigned TmyWideString::Length() const
{
    return Block->Length;
}

unsigned TmyWideString::Capacity() const
{
    return Block->Capacity;
}

int TmyWideString::References() const
{
    return Block->References;
}

const wchar_t* TmyWideString::c_str() const
{
    return Cells<wchar_t>(Block);
}

wchar_t TmyWideString::operator[](unsigned index) const
{
    return index < Block->Capacity ? Cells<wchar_t>(Block)[index] : 0;
}

TmyWideString operator+(const TmyWideString& left, const TmyWideString& right)
{
    return TmyWideString(Concatenate(left.c_str(), left.Length(), right.c_str(), right.Length(),
                                     uint64_t(left.Length()) + right.Length() + 2),
                         TmyWideString::Adopt{});
}

TmyWideString& TmyWideString::operator+=(const wchar_t* tail)
{
    Append(Block, tail, TextLength(tail));
    return *this;
}

TmyWideString TmyWideString::SubString(unsigned start, unsigned count) const
{
    if (start >= Block->Length)
        return TmyWideString();
    const unsigned taken = CutCount(Block->Length, start, count);
    return TmyWideString(NewBlock(c_str() + start, taken, uint64_t(taken) + 2), Adopt{});
}

// Builds the result in a new block, so the replacement may point into this
// string; the length is taken from the first zero cell.
TmyWideString& TmyWideString::Replace(unsigned start, unsigned count, const wchar_t* replacement)
{
    const unsigned length = Block->Length;
    const unsigned from = start < length ? start : length;
    const unsigned cut = CutCount(length, from, count);
    const unsigned insert = TextLength(replacement);
    const unsigned after = length - from - cut;
    TmyStringBlock* fresh = NewBlock<wchar_t>(uint64_t(insert) + length - cut + 1);
    wchar_t* cells = Cells<wchar_t>(fresh);
    CopyCells(cells, c_str(), from);
    CopyCells(cells + from, replacement, insert);
    CopyCells(cells + from + insert, c_str() + from + cut, after);
    SetLength<wchar_t>(fresh, LengthToTerminator<wchar_t>(fresh));
    TakeOver(Block, fresh);
    return *this;
}

bool TmyWideString::operator==(const TmyWideString& other) const
{
    return Block == other.Block || CompareText(c_str(), other.c_str()) == 0;
}

TmyString TmyWideString::ToString() const
{
    return TmyString(*this);
}
