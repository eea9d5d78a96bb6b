#include "cli/BatchMemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace elvaro::cli {

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // The largest threshold the allocator accepts by this setting.
    constexpr int kLargestMapThreshold = 32 * 1024 * 1024;
    ::mallopt(M_MMAP_THRESHOLD, kLargestMapThreshold);
#endif
}

} // namespace elvaro::cli
