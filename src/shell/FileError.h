#pragma once

#include <stdexcept>

namespace elvaro::shell {

// A folder or file for exported workbooks that cannot be made, read or written. The message names
// it, says why and, where it helps, what to do.
class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace elvaro::shell
