#pragma once

#include "report/CCella.h"

namespace elvaro::testing {

// Discards the parser's messages.
class SilentReporter final : public report::ParseReporter {
public:
    void reportError(const std::string &) override {}
};

} // namespace elvaro::testing
