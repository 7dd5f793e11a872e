#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace kavitro {

// Our counterparts of the framework's exception classes. Commands catch them
// at their boundary and report; none crosses a Qt event handler.

// ReadOnly: storing into an archive that is loading; WriteOnly: loading from
// an archive that is storing (the framework's readOnly and writeOnly causes).
// The file name is the archive's (CArchive::SetFileName), or what the thrower
// names, as the framework's m_strFileName.
class ArchiveException : public std::runtime_error {
public:
    enum class Cause { EndOfFile, BadIndex, BadClass, BadSchema, Generic, ReadOnly, WriteOnly };
    ArchiveException(Cause cause, const std::string& what, std::string fileName = {})
        : std::runtime_error(what), m_cause(cause), m_fileName(std::move(fileName)) {}
    Cause GetCause() const { return m_cause; }
    const std::string& GetFileName() const { return m_fileName; }

private:
    Cause m_cause;
    std::string m_fileName;
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
