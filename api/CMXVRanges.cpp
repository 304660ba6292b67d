// Range selection, power clearing and frequency conversion of a CMXV object.
#include "CMXV.h"
#include "RangeTable.h"

namespace {

// "CP" CR: clears the converter's power; no reply.
constexpr unsigned char powerClearCommand[] = {'C', 'P', '\r'};
// Select-range command: "f", the range number + 1 as one binary byte (not a digit), CR.
constexpr unsigned char selectRangeLetter = 'f';
constexpr DWORD selectReplyBytes = 2;

// Judges one two-byte reply to the select-range command: "P" accepted, "X"
// refused, "DT" busy (try again), anything else an error.
int JudgeSelectReply(const char (&reply)[selectReplyBytes])
{
    if (reply[0] == 'D' && reply[1] == 'T')
        return OVK47MXV_BUSY;
    if (reply[0] == 'X')
        return OVK47MXV_REFUSED;
    return reply[0] == 'P' ? OVK47MXV_OK : OVK47MXV_BAD_REPLY;
}

}  // namespace

// Up to three attempts. The result is the code of the last attempt that
// failed for a reason of its own; a "DT" (busy) answer only keeps that code,
// and a converter busy on every attempt gives OVK47MXV_BUSY. The current
// range changes only on success. The range number is checked before the
// repeat test, so -1 (no current range) is refused like any other.
int CMXV::SetRange(int range)
{
    LockScope lock(Lock);
    if (!Opened)
        return OVK47MXV_NOT_OPEN;
    if (static_cast<unsigned>(range) >= static_cast<unsigned>(rangeCount))
        return OVK47MXV_BAD_RANGE;
    if (range == CurrentRange)
        return OVK47MXV_OK;
    const unsigned char command[] = {selectRangeLetter, static_cast<unsigned char>(range + 1), '\r'};
    int result = OVK47MXV_BUSY;
    for (int attempt = 0; attempt < commandAttempts; ++attempt) {
        PurgeLink();
        if (!WriteBytes(command, sizeof command)) {  // "f" <range + 1> CR
            result = OVK47MXV_WRITE_FAILED;
            continue;
        }
        char reply[selectReplyBytes] = {};
        if (ReadReply(reply, selectReplyBytes, selectReplyBytes) < selectReplyBytes) {  // "P?" / "X?" / "DT"
            result = OVK47MXV_NO_REPLY;
            continue;
        }
        int judged = JudgeSelectReply(reply);
        if (judged == OVK47MXV_OK) {
            CurrentRange = range;
            return OVK47MXV_OK;
        }
        if (judged == OVK47MXV_BAD_REPLY)
            DiscardLateReply();
        if (judged != OVK47MXV_BUSY)
            result = judged;
    }
    return result;
}

// Up to three attempts to write "CP" CR, each waited out until its bytes are
// on the line. Once written, the next SetRange sends its command even for
// the range that was active before.
int CMXV::SetClearPower()
{
    LockScope lock(Lock);
    if (!Opened)
        return 0;
    for (int attempt = 0; attempt < commandAttempts; ++attempt) {
        PurgeLink();
        if (WriteUnanswered(powerClearCommand, sizeof powerClearCommand)) {  // "CP" CR
            CurrentRange = -1;
            return 1;
        }
    }
    return 0;
}

// Reads only the fixed range table: no lock, no traffic.
int CMXV::ConvertFrequency(long long input, long long* output, int* range, int* inverted)
{
    if (input > highestInputHz)
        return 0;
    for (int i = 0; i < rangeCount; ++i) {
        const RangeEntry& entry = rangeTable[i];
        if (input < entry.from || input > entry.to)
            continue;
        if (range)
            *range = i;
        if (output)
            *output = entry.inverted ? entry.lo - input : input - entry.lo;
        if (inverted)
            *inverted = entry.inverted;
        return 1;
    }
    return 0;
}
