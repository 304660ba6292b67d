// TmyBuffer: a growable heap block of bytes with an optional maximum size and
// a minimum capacity. It grows by doubling and shrinks only when told to.
#pragma once

#include "myObject.h"

class TmyBuffer : public TmyObject {
public:
    // Allocates initialCapacity bytes (none when 0); maxSize 0 means no maximum.
    // The initial capacity is also the capacity the block never goes below.
    explicit TmyBuffer(unsigned initialCapacity = 0, unsigned maxSize = 0);
    TmyBuffer(const TmyBuffer&) = delete;
    TmyBuffer& operator=(const TmyBuffer&) = delete;

    // The order of the virtual operations below is part of the class's contract.
    ~TmyBuffer() override;
    // Clamps n to the maximum, then raises it to the minimum capacity, the size
    // and 4 bytes; reallocates only when that differs. Returns the capacity.
    virtual unsigned SetCapacity(unsigned n);
    // Clamps n to the maximum and doubles the capacity until n fits; never
    // reduces the capacity. Returns the size set.
    virtual unsigned SetSize(unsigned n);
    // Removes count bytes at offset, cutting the tail when the range reaches
    // past the end. Returns 1, or 0 (nothing changed) when offset > size.
    virtual int DeleteRange(unsigned offset, unsigned count);
    virtual unsigned GetSize() const;
    virtual unsigned GetMaxSize() const;
    virtual unsigned GetCapacity() const;
    // Bytes allocated but not in use.
    virtual unsigned GetFree() const;

    // The block itself; null before the first allocation.
    unsigned char* Data() const { return Block; }

private:
    unsigned char* Block;
    unsigned Capacity;
    unsigned Size;
    unsigned MaxSize;
    unsigned MinCapacity;
};

// Twice n, saturating instead of wrapping round.
constexpr unsigned myDoubled(unsigned n)
{
    return n > ~0u / 2 ? ~0u : 2 * n;
}
