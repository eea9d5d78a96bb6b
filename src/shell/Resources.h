#pragma once

// Registers the pictures kept as resources of this library (a static library's resources are
// not registered by themselves).
namespace elvaro::shell {

void initResources();

} // namespace elvaro::shell
