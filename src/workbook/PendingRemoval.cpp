#include "workbook/PendingRemoval.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace elvaro::workbook {

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

// Removes the files of a folder. The .xlsx writer removes each of its files just after creating
// it, but a signal may come in between. getdents64 instead of readdir: readdir may allocate.
void emptyFolder(const char *path)
{
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return;
    alignas(dirent64) char entries[4096];
    for (ssize_t length; (length = ::getdents64(folder, entries, sizeof entries)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(entries + at);
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                ::unlinkat(folder, entry->d_name, 0);
            at += entry->d_reclen;
        }
    }
    ::close(folder);
}

void removeArmed(PendingRemoval::Kind kind)
{
    for (Slot &slot : g_slots) {
        if (slot.state.load() != Armed || slot.kind != kind)
            continue;
        if (kind == PendingRemoval::Kind::File) {
            ::unlink(slot.path);
        } else {
            emptyFolder(slot.path);
            ::rmdir(slot.path);
        }
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

} // namespace elvaro::workbook
