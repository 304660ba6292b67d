// TmyDeletionWatch: tells a widget that one of its own handlers deleted it.
// A widget that fires an event and then goes on with its own work keeps a
// watch on itself around the call; its destructor reports the deletion, and
// the widget then reads the watch instead of its fields.
#pragma once

class TmyDeletionWatch {
public:
    explicit TmyDeletionWatch(const void* object);
    ~TmyDeletionWatch();
    TmyDeletionWatch(const TmyDeletionWatch&) = delete;
    TmyDeletionWatch& operator=(const TmyDeletionWatch&) = delete;

    // True once the watched object was deleted.
    bool Gone() const { return Object == nullptr; }

    // Called by a watched class's destructor: every watch on the object
    // on this thread sees it gone.
    static void Deleted(const void* object);

private:
    const void* Object;
    TmyDeletionWatch* Outer;  // the watch set up before this one on the thread
};
