// QXxAssert.h — the exception raised when a caller breaks an internal contract.
#pragma once

#include <stdexcept>
#include <string>

// An assertion failure of the program (not a user error); the message names the condition and the
// routine, for example "Buffer not allocated: ReadSource".
class EAssertionFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};
