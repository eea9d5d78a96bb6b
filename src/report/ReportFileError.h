#pragma once

#include "system/Error.h"

namespace elvaro::report {

// A report file that cannot be read or decoded. The message is the reason without the file's
// name, which the caller puts before it ("No such file or directory").
class ReportFileError : public Error {
public:
    using Error::Error;
};

} // namespace elvaro::report
