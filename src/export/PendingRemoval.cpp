#include "export/PendingRemoval.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace elvaro::excel {

namespace {

// A few writes at once are plenty: one output file and one working folder per write.
constexpr int kSlots = 16;

enum SlotState : int { Free, Filling, Armed };

struct Slot {
    std::atomic<int> state{Free};
    PendingRemoval::Kind kind = PendingRemoval::Kind::File;
    char path[PATH_MAX] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' state");

std::array<Slot, kSlots> g_slots;

void removeArmed(PendingRemoval::Kind kind)
{
    for (Slot &slot : g_slots) {
        if (slot.state.load() != Armed || slot.kind != kind)
            continue;
        if (kind == PendingRemoval::Kind::File)
            ::unlink(slot.path);
        else
            ::rmdir(slot.path);
    }
}

} // namespace

PendingRemoval::PendingRemoval(const std::string &path, Kind kind)
{
    if (path.size() >= PATH_MAX)
        return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (!g_slots[i].state.compare_exchange_strong(expected, Filling))
            continue;
        Slot &slot = g_slots[i];
        slot.kind = kind;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.state.store(Armed);
        m_slot = i;
        return;
    }
}

void PendingRemoval::release()
{
    if (m_slot < 0)
        return;
    g_slots[m_slot].state.store(Free);
    m_slot = -1;
}

void PendingRemoval::removeAllNow()
{
    // The files first: a working folder can only go once it is empty.
    removeArmed(Kind::File);
    removeArmed(Kind::Folder);
}

} // namespace elvaro::excel
