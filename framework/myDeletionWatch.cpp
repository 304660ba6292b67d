// TmyDeletionWatch: the watches of a thread form a chain on its stack,
// innermost first; a deletion clears the watches on the object.
#include "myDeletionWatch.h"

namespace {

thread_local TmyDeletionWatch* innermostWatch = nullptr;

}  // namespace

TmyDeletionWatch::TmyDeletionWatch(const void* object) : Object(object), Outer(innermostWatch)
{
    innermostWatch = this;
}

// Watches end in the reverse order of their start: they live on the stack.
TmyDeletionWatch::~TmyDeletionWatch()
{
    innermostWatch = Outer;
}

void TmyDeletionWatch::Deleted(const void* object)
{
    for (TmyDeletionWatch* watch = innermostWatch; watch; watch = watch->Outer)
        if (watch->Object == object)
            watch->Object = nullptr;
}
