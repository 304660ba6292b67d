// TmySet: a set of integers within a fixed range first..last, one bit per value.
#pragma once

#include <cstdint>

#include "myObject.h"

// Most values a set may span beyond its first one.
constexpr int64_t mySetMaxSpan = 1048576;

class TmySet : public TmyObject {
public:
    // Range first..last; last is raised to first when smaller. Throws the
    // integer 0 when last - first exceeds mySetMaxSpan.
    TmySet(int first, int last);
    // Range 0..last.
    explicit TmySet(int last);
    TmySet(const TmySet&) = delete;
    TmySet& operator=(const TmySet&) = delete;

    // The order of the virtual operations below is part of the class's contract.
    ~TmySet() override;

    // Values outside the range are ignored.
    void Include(int v);
    void Exclude(int v);
    // 1 when v is a member; 0 otherwise or outside the range.
    int Contains(int v) const;
    // 1 when no value is a member.
    int IsEmpty() const;
    // Lowest member, or -1 when there is none.
    int FirstIncluded() const;
    // Lowest value of the range that is not a member, or -1 when there is none.
    int FirstExcluded() const;

private:
    // Spans of up to 32 values keep their bits in the word itself.
    union TmySetBits {
        uint32_t Word;
        uint32_t* Words;
    };

    const uint32_t* WordArray() const { return WordCount == 1 ? &Bits.Word : Bits.Words; }
    uint32_t* WordArray() { return WordCount == 1 ? &Bits.Word : Bits.Words; }
    bool InRange(int v) const { return v >= First && v <= Last; }
    // Value of bit position, or -1 when the position lies beyond last.
    int ValueAt(int64_t position) const;

    TmySetBits Bits;
    uint32_t WordCount;
    int32_t First;
    int32_t Last;
};
