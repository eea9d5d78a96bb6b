#include "report/CellPool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace elvaro::report::cellPool {

namespace {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer watches every allocation on its own: cells then come from the usual allocator.
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif

// A block is aligned to its size, so that a cell finds its block from its own address.
constexpr std::size_t kBlockSize = std::size_t{2} << 20;
constexpr std::size_t kAlignment = alignof(std::max_align_t);

struct alignas(kAlignment) Block {
    // The cells carved out of the block and not yet released, plus one while new cells are
    // still carved from it. Whoever brings it to 0 gives the block back.
    std::atomic<std::size_t> holders{1};
    std::size_t used = 0;
};

constexpr std::size_t kFirstCell = (sizeof(Block) + kAlignment - 1) / kAlignment * kAlignment;

thread_local Block *t_current = nullptr;

void drop(Block *block) noexcept
{
    if (block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Block();
        std::free(block);
    }
}

// Gives the thread's current block back when the thread ends, once its cells are released.
struct CurrentBlockRelease {
    ~CurrentBlockRelease()
    {
        if (t_current)
            drop(t_current);
    }
};
thread_local CurrentBlockRelease t_release;

Block *newBlock()
{
    void *memory = std::aligned_alloc(kBlockSize, kBlockSize);
    if (!memory)
        throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    ::madvise(memory, kBlockSize, MADV_HUGEPAGE);
#endif
    return new (memory) Block;
}

} // namespace

void *allocate(std::size_t size)
{
    if (!kPooled)
        return ::operator new(size);
    const std::size_t rounded = (size + kAlignment - 1) / kAlignment * kAlignment;
    if (!t_current || kFirstCell + t_current->used + rounded > kBlockSize) {
        Block *fresh = newBlock();
        (void)&t_release;
        if (t_current)
            drop(t_current);
        t_current = fresh;
    }
    char *cell = reinterpret_cast<char *>(t_current) + kFirstCell + t_current->used;
    t_current->used += rounded;
    t_current->holders.fetch_add(1, std::memory_order_relaxed);
    return cell;
}

void release(void *cell) noexcept
{
    if (!kPooled) {
        ::operator delete(cell);
        return;
    }
    if (!cell)
        return;
    const auto address = reinterpret_cast<std::uintptr_t>(cell);
    // The block is found from the cell's address: blocks are aligned to their size.
    drop(reinterpret_cast<Block *>(address & ~(kBlockSize - 1))); // NOLINT(performance-no-int-to-ptr)
}

} // namespace elvaro::report::cellPool
