#include "myBuffer.h"

#include <cstdlib>
#include <cstring>

namespace {
// The smallest block a buffer ever holds, in bytes.
constexpr unsigned SmallestCapacity = 4;
}

TmyBuffer::TmyBuffer(unsigned initialCapacity, unsigned maxSize)
    : Block(nullptr), Capacity(0), Size(0), MaxSize(maxSize), MinCapacity(initialCapacity)
{
    RegisterType(this, 71, "Buffer");
    if (initialCapacity) {
        Block = static_cast<unsigned char*>(std::malloc(initialCapacity));
        Capacity = initialCapacity;
    }
}

TmyBuffer::~TmyBuffer()
{
    std::free(Block);
}

unsigned TmyBuffer::SetCapacity(unsigned n)
{
    if (MaxSize && n > MaxSize)
        n = MaxSize;
    if (n < MinCapacity)
        n = MinCapacity;
    if (n < Size)
        n = Size;
    if (n < SmallestCapacity)
        n = SmallestCapacity;
    if (n != Capacity) {
        // On exhausted memory the old block and capacity stay as they were.
        if (void* moved = std::realloc(Block, n)) {
            Block = static_cast<unsigned char*>(moved);
            Capacity = n;
        }
    }
    return Capacity;
}

unsigned TmyBuffer::SetSize(unsigned n)
{
    if (MaxSize && n > MaxSize)
        n = MaxSize;
    while (Capacity < n) {
        unsigned before = Capacity;
        if (SetCapacity(myDoubled(Capacity)) == before)
            break;
    }
    Size = n < Capacity ? n : Capacity;
    return Size;
}

int TmyBuffer::DeleteRange(unsigned offset, unsigned count)
{
    // An offset past the end names no bytes; refusing it keeps the size honest.
    if (offset > Size)
        return 0;
    unsigned tail = Size - offset;
    if (count < tail)
        std::memmove(Block + offset, Block + offset + count, tail - count);
    else
        count = tail;
    SetSize(Size - count);
    return 1;
}

unsigned TmyBuffer::GetSize() const
{
    return Size;
}

unsigned TmyBuffer::GetMaxSize() const
{
    return MaxSize;
}

unsigned TmyBuffer::GetCapacity() const
{
    return Capacity;
}

unsigned TmyBuffer::GetFree() const
{
    return Capacity - Size;
}
