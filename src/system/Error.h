#pragma once

#include <stdexcept>

namespace elvaro {
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
} // namespace elvaro
