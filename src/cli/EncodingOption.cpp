#include "cli/EncodingOption.h"

#include <optional>

namespace elvaro::cli {

void addEncodingOption(OptionParser &parser, report::ReportEncoding &encoding)
{
    parser.addValue("--encoding", [&encoding](const std::string &value) {
        const std::optional<report::ReportEncoding> named = report::encodingNamed(value);
        if (!named)
            throw UsageError("--encoding expects cp437 or utf-8, not " + inQuotes(value));
        encoding = *named;
    });
}

} // namespace elvaro::cli
