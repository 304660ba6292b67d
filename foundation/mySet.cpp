#include "mySet.h"

namespace {
constexpr unsigned BitsPerWord = 32;
}

TmySet::TmySet(int first, int last) : Bits{0}, WordCount(1), First(first), Last(last)
{
    RegisterType(this, 69, "Set");
    if (Last < First)
        Last = First;
    int64_t span = int64_t{Last} - First;
    if (span > mySetMaxSpan)
        throw 0;
    WordCount = static_cast<uint32_t>(span / BitsPerWord + 1);
    if (WordCount > 1)
        Bits.Words = new uint32_t[WordCount]();
}

TmySet::TmySet(int last) : TmySet(0, last) {}

TmySet::~TmySet()
{
    if (WordCount > 1)
        delete[] Bits.Words;
}

void TmySet::Include(int v)
{
    if (!InRange(v))
        return;
    unsigned position = static_cast<unsigned>(v - First);
    WordArray()[position / BitsPerWord] |= 1u << (position % BitsPerWord);
}

void TmySet::Exclude(int v)
{
    if (!InRange(v))
        return;
    unsigned position = static_cast<unsigned>(v - First);
    WordArray()[position / BitsPerWord] &= ~(1u << (position % BitsPerWord));
}

int TmySet::Contains(int v) const
{
    if (!InRange(v))
        return 0;
    unsigned position = static_cast<unsigned>(v - First);
    return (WordArray()[position / BitsPerWord] >> (position % BitsPerWord)) & 1;
}

int TmySet::IsEmpty() const
{
    const uint32_t* words = WordArray();
    for (uint32_t i = 0; i < WordCount; ++i) {
        if (words[i])
            return 0;
    }
    return 1;
}

int TmySet::FirstIncluded() const
{
    const uint32_t* words = WordArray();
    for (uint32_t i = 0; i < WordCount; ++i) {
        if (words[i])
            return ValueAt(int64_t{i} * BitsPerWord + __builtin_ctz(words[i]));
    }
    return -1;
}

int TmySet::FirstExcluded() const
{
    const uint32_t* words = WordArray();
    for (uint32_t i = 0; i < WordCount; ++i) {
        if (~words[i])
            return ValueAt(int64_t{i} * BitsPerWord + __builtin_ctz(~words[i]));
    }
    return -1;
}

int TmySet::ValueAt(int64_t position) const
{
    return position > int64_t{Last} - First ? -1 : static_cast<int>(First + position);
}
