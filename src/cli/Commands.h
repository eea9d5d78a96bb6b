#pragma once

#include <string>
#include <vector>

// The subcommands of elvaro-q3. Each gets the arguments that follow its name and
// returns the process exit code: 0 success, 1 failure (message on standard error),
// 2 bad usage (usage on standard error).
namespace elvaro::cli {

using Arguments = std::vector<std::string>;

int runTree(const Arguments &args);
int runConvert(const Arguments &args);
int runCapture(const Arguments &args);
int runSimulate(const Arguments &args);

} // namespace elvaro::cli
