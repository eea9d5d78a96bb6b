#pragma once

#include "system/Error.h"
#include "system/SystemText.h"

#include <string>

namespace elvaro::workbook {

// A file or folder of a write that the system refuses: a temporary file or working folder that
// cannot be made, a written file that cannot be flushed, read back or renamed into place. The
// message says what could not be done and the system's reason.
class FileError : public Error {
public:
    using Error::Error;
    // The message is `what`, a colon and the system's text for the errno value `error`.
    FileError(const std::string &what, int error) : Error(what + ": " + system::errorText(error)) {}
};

} // namespace elvaro::workbook
