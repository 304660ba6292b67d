// Reference-counted, copy-on-write strings: TmyString (8-bit text in the ANSI
// code page) and TmyWideString (UTF-16 code units). A string object is one
// pointer to a heap block; copies share the block, the first write through a
// shared reference makes a private copy.
#pragma once

#include <cstdarg>
#include <cstdint>

// Header of a string block; the character cells follow it directly.
// Both string types use the same 16-byte header.
struct TmyStringBlock {
    uint32_t Reserved;    // always 0
    uint32_t Length;      // characters, terminator not counted
    uint32_t Capacity;    // character cells that follow, terminator included
    int32_t References;   // string objects pointing to this block
};
static_assert(sizeof(TmyStringBlock) == 16, "string block header is 16 bytes");

// Asks a constructor for an empty string with room for Count characters.
struct TmyReserve {
    unsigned Count;
};

class TmyWideString;

class TmyString {
public:
    // Construction: every constructor makes a new block with one reference.
    TmyString();                                      // reserves room for 0 characters
    explicit TmyString(TmyReserve room);              // capacity max(n, 16) + 1
    TmyString(const char* text);                      // capacity length + 1; null is empty
    TmyString(const char* text, unsigned length);     // text may be null: zeroed cells to fill
    TmyString(const char* text, unsigned length, unsigned capacity);  // capacity raised to length + 1
    TmyString(const wchar_t* text, unsigned codePage, int count);     // count -1: zero-terminated
    TmyString(const TmyWideString& text);             // ANSI code page
    TmyString(const TmyString& other);
    ~TmyString();

    TmyString& operator=(const TmyString& other);
    TmyString& operator=(const char* text);

    // Reading
    unsigned Length() const;
    unsigned Capacity() const;
    int References() const;
    const char* c_str() const;
    // 0 at or beyond the capacity.
    char operator[](unsigned index) const;
    // Writable cell of a private block of the same capacity; at or beyond the
    // capacity a process-wide dummy cell that reads 0 and reaches no string.
    char& At(unsigned index);

    // Concatenation and appending
    friend TmyString operator+(const TmyString& left, const TmyString& right);
    friend TmyString operator+(const TmyString& left, const char* right);
    friend TmyString operator+(const char* left, const TmyString& right);
    TmyString& operator+=(const TmyString& tail);

    TmyString SubString(unsigned start, unsigned count) const;

    // Comparison and search
    bool operator==(const char* text) const;
    bool operator==(const TmyString& other) const;
    bool operator!=(const char* text) const { return !(*this == text); }
    // True when this string is greater at the first differing byte (unsigned).
    bool operator>(const TmyString& other) const;
    int Find(const char* text, unsigned start = 0) const;
    int Find(char c, unsigned start = 0) const;
    TmyString LowerCase() const;

    // printf-style formatting into this string.
    TmyString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    TmyString& FormatV(const char* format, va_list args);

    // Path parts, with the backslash as separator.
    TmyString FolderPart() const;
    TmyString FileNamePart() const;
    TmyString WithoutExtension() const;

    // Takes the next command-line token of text into this string and returns
    // the position just behind it.
    const char* NextToken(const char* text);

private:
    struct Adopt {};
    // Takes over a new block that nothing else points to.
    TmyString(TmyStringBlock* block, Adopt) : Block(block) {}

    TmyStringBlock* Block;
};

class TmyWideString {
public:
    TmyWideString();                                   // capacity 1
    explicit TmyWideString(TmyReserve room);           // capacity n + 1
    TmyWideString(const wchar_t* text);                // capacity length + 1; null is empty
    TmyWideString(const wchar_t* text, unsigned length);
    TmyWideString(unsigned count, wchar_t c);          // n copies, capacity n + 2
    TmyWideString(const char* text, unsigned codePage, int byteCount);  // negative: zero-terminated
    TmyWideString(const TmyWideString& other);
    ~TmyWideString();

    TmyWideString& operator=(const TmyWideString& other);

    unsigned Length() const;
    unsigned Capacity() const;
    int References() const;
    const wchar_t* c_str() const;
    // 0 at or beyond the capacity.
    wchar_t operator[](unsigned index) const;

    friend TmyWideString operator+(const TmyWideString& left, const TmyWideString& right);
    TmyWideString& operator+=(const wchar_t* tail);

    TmyWideString SubString(unsigned start, unsigned count) const;
    // Replaces count characters at start with the replacement text.
    TmyWideString& Replace(unsigned start, unsigned count, const wchar_t* replacement);

    bool operator==(const TmyWideString& other) const;

    TmyString ToString() const;

private:
    struct Adopt {};
    // Takes over a new block that nothing else points to.
    TmyWideString(TmyStringBlock* block, Adopt) : Block(block) {}

    TmyStringBlock* Block;
};

// The two shared empty strings, alive for the whole process; containers hand
// out myEmptyString for elements that do not exist.
extern const TmyString myEmptyString;
extern const TmyWideString myEmptyWideString;
