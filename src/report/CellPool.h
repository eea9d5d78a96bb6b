#pragma once

#include <cstddef>

namespace elvaro::report {

// The memory of cells. A report gives hundreds of thousands of small cells that are made and
// released together: they are carved out of large blocks (backed by huge pages where the system
// offers them), and a block goes back to the system once its last cell has been released. This
// keeps a parse clear of one allocation and one first touch of memory per cell.
namespace cellPool {

void *allocate(std::size_t size);
void release(void *cell) noexcept;

} // namespace cellPool

} // namespace elvaro::report
