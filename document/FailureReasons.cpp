#include "document/FailureReasons.h"

#include <new>

#include "document/StringIds.h"

namespace kavitro {

std::uint32_t ReasonStringId(FileProblem problem) {
    switch (problem) {
        case FileProblem::NoSpace: return StringId::ReasonNoSpace;
        case FileProblem::NoPermission: return StringId::ReasonNoPermission;
        case FileProblem::FolderMissing: return StringId::ReasonFolderMissing;
        case FileProblem::FileMissing: return StringId::ReasonFileMissing;
        case FileProblem::ReadOnlyDisk: return StringId::ReasonReadOnlyDisk;
        case FileProblem::ReadOnlyFile: return StringId::ReasonReadOnlyFile;
        case FileProblem::NotAFile: return StringId::ReasonNotAFile;
        case FileProblem::TooLarge: return StringId::ReasonTooLarge;
        case FileProblem::DiskError: return StringId::ReasonDiskError;
        case FileProblem::None:
        case FileProblem::Other: break;
    }
    return StringId::ReasonOther;
}

std::uint32_t DamageStringId(DocumentDamage damage) {
    switch (damage) {
        case DocumentDamage::NotADocument: return StringId::DamageNotADocument;
        case DocumentDamage::CutOff: return StringId::DamageCutOff;
        case DocumentDamage::UnknownObject: return StringId::DamageUnknownObject;
        case DocumentDamage::TooManyPages: return StringId::DamageTooManyPages;
        case DocumentDamage::Picture: return StringId::DamagePicture;
        case DocumentDamage::PicturesTooLarge: return StringId::DamagePicturesTooLarge;
        case DocumentDamage::OutOfMemory: return StringId::ReasonOutOfMemory;
        case DocumentDamage::Contents: break;
    }
    return StringId::DamageContents;
}

std::uint32_t UnreadablePictureReason(const UserException& refusal) {
    if (const auto* file = dynamic_cast<const PictureFileException*>(&refusal)) return ReasonStringId(file->GetProblem());
    return dynamic_cast<const PictureBudgetException*>(&refusal) ? StringId::DamagePicturesTooLarge
                                                                 : StringId::ReasonUnreadablePicture;
}

namespace {

DocumentDamage DamageOfCause(ArchiveException::Cause cause) {
    switch (cause) {
        case ArchiveException::Cause::EndOfFile: return DocumentDamage::CutOff;
        case ArchiveException::Cause::BadClass:
        case ArchiveException::Cause::BadSchema: return DocumentDamage::UnknownObject;
        default: return DocumentDamage::Contents;
    }
}

}  // namespace

bool ReadDocumentGuarded(const std::function<void()>& read, std::string* error, DocumentDamage* damage) {
    const auto fail = [&](const char* what, DocumentDamage kind) {
        if (error) *error = what;
        if (damage) *damage = kind;
        return false;
    };
    try {
        read();
        return true;
    } catch (const DocumentDamageException& e) {
        return fail(e.what(), e.GetDamage());
    } catch (const ArchiveException& e) {
        return fail(e.what(), DamageOfCause(e.GetCause()));
    } catch (const PictureBudgetException& e) {
        return fail(e.what(), DocumentDamage::PicturesTooLarge);
    } catch (const UserException& e) {
        // Only the pictures' readers refuse their bytes this way.
        return fail(e.what(), DocumentDamage::Picture);
    } catch (const MemoryException& e) {
        return fail(e.what(), DocumentDamage::OutOfMemory);
    } catch (const InvalidArgumentException& e) {
        return fail(e.what(), DocumentDamage::Contents);
    } catch (const std::bad_alloc&) {
        return fail("out of memory", DocumentDamage::OutOfMemory);
    }
}

}  // namespace kavitro
