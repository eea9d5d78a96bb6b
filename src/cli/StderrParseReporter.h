#pragma once

#include "report/CCella.h"

#include <cstdio>
#include <string>

namespace elvaro::cli {

// The parser's messages about boxes without a bottom border, one line each on standard error:
// the command goes on with the tree it has.
class StderrParseReporter final : public report::ParseReporter {
public:
    void reportError(const std::string &message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
};

} // namespace elvaro::cli
