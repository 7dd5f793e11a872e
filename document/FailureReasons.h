#pragma once

// Why a file could not be read, written or used as a document, as the
// numbered strings the user is told (below the failure's message and the
// file's name), in the language of the interface.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"

namespace kavitro {

std::uint32_t ReasonStringId(FileProblem problem);

// What is wrong with the bytes of a document that cannot be read.
enum class DocumentDamage : std::uint8_t {
    Contents,        // anything not named below
    NotADocument,    // another kind of file, or an empty one
    CutOff,          // the bytes end before the document does
    UnknownObject,   // a class or schema this program does not know
    TooManyPages,
    Picture,         // a picture's bytes are damaged
    PicturesTooLarge,  // the pictures together exceed a document's budget
    OutOfMemory,
};

std::uint32_t DamageStringId(DocumentDamage damage);

// A refusal of a document's bytes that names what is wrong with them.
class DocumentDamageException : public ArchiveException {
public:
    DocumentDamageException(DocumentDamage damage, Cause cause, const std::string& what, std::string fileName = {})
        : ArchiveException(cause, what, std::move(fileName)), m_damage(damage) {}
    DocumentDamage GetDamage() const { return m_damage; }

private:
    DocumentDamage m_damage;
};

// The pictures decoded so far have taken the budget in force.
class PictureBudgetException : public UserException {
public:
    PictureBudgetException() : UserException("the pictures are too large for one document") {}
};

// A picture file that could not be read at all, with what the system said.
class PictureFileException : public UserException {
public:
    explicit PictureFileException(FileProblem problem)
        : UserException("the picture file cannot be read"), m_problem(problem) {}
    FileProblem GetProblem() const { return m_problem; }

private:
    FileProblem m_problem;
};

// Why a picture file could not be taken: the file, the budget, or its bytes.
std::uint32_t UnreadablePictureReason(const UserException& refusal);

// Runs `read` over a document's bytes; false, with the English detail in
// `error` and what is wrong in `damage` (each when given), when it refuses
// them by one of the document exceptions or runs out of memory.
bool ReadDocumentGuarded(const std::function<void()>& read, std::string* error, DocumentDamage* damage);

}  // namespace kavitro
