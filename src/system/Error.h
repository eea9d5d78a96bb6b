#pragma once

#include <stdexcept>

namespace elvaro {

// The base of every error the core throws: what() is the whole message for the user, a full
// sentence that says what went wrong and, where it helps, what to do.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace elvaro
