#pragma once

#include <stdexcept>
#include <string>

namespace kavitro {

// Our counterparts of the framework's exception classes. Commands catch them
// at their boundary and report; none crosses a Qt event handler.

class ArchiveException : public std::runtime_error {
public:
    enum class Cause { EndOfFile, BadIndex, BadClass, BadSchema, Generic };
    ArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};

// A failure already reported to the user (or deliberately silent): the caller
// only unwinds.
class UserException : public std::runtime_error {
public:
    explicit UserException(const std::string& what = "user exception") : std::runtime_error(what) {}
};

class NotSupportedException : public std::runtime_error {
public:
    explicit NotSupportedException(const std::string& what = "not supported") : std::runtime_error(what) {}
};

class MemoryException : public std::runtime_error {
public:
    explicit MemoryException(const std::string& what = "out of memory") : std::runtime_error(what) {}
};

// An index outside an array.
class InvalidArgumentException : public std::invalid_argument {
public:
    explicit InvalidArgumentException(const std::string& what = "invalid argument") : std::invalid_argument(what) {}
};

}  // namespace kavitro
