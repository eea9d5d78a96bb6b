#pragma once

namespace elvaro::cli {

// A command that reads a whole report, builds its cell tree and then writes its result goes
// through phases that each take tens of megabytes. Large blocks then come from the heap instead
// of being mapped and unmapped one by one, so that the memory one phase releases serves the next
// instead of being given back and touched anew (on a virtual machine every new page costs).
void keepFreedMemoryForReuse();

} // namespace elvaro::cli
