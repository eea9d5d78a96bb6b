#pragma once

#include "cli/CommandLine.h"

// The commands of elvaro-q3. Each gets the arguments that follow its name and returns the exit
// code; it throws UsageError for bad usage and reports failures through `messages`.
namespace elvaro::cli {

class CommandMessages;

int runTree(const Arguments &args, const CommandMessages &messages);
int runConvert(const Arguments &args, const CommandMessages &messages);
int runCapture(const Arguments &args, const CommandMessages &messages);
int runSimulate(const Arguments &args, const CommandMessages &messages);

} // namespace elvaro::cli
