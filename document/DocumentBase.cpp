#include "document/DocumentBase.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "document/DocumentServices.h"
#include "document/FailureReasons.h"
#include "document/StringIds.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorReport.h"

namespace kavitro {

void CDocument::AddView(DocumentViewObserver* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CDocument::RemoveView(DocumentViewObserver* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews(DocumentViewObserver* sender, std::intptr_t hint, CDrawObj* object) {
    // A copy: a view may close while it updates.
    const std::vector<DocumentViewObserver*> views = m_views;
    for (DocumentViewObserver* v : views) {
        if (v != sender) v->OnUpdate(hint, object);
    }
}

bool CDocument::OnNewDocument() {
    m_path.clear();
    m_modified = false;
    return true;
}

namespace {

void ReportFileFailure(ErrorReport* report, std::uint32_t messageId, const QString& path, std::uint32_t reasonId) {
    if (report) report->ReportFileError(messageId, path.toStdU16String(), reasonId);
}

}  // namespace

bool CDocument::OnOpenDocument(const QString& path) {
    // Only a regular file of a size a document can have is read at all.
    FileProblem problem = FileProblem::None;
    const std::optional<std::vector<std::uint8_t>> data =
        ReadWholeFile(std::filesystem::path(path.toStdU16String()), kMaxFileBytes, nullptr, &problem);
    if (!data) {
        ReportFileFailure(GetErrorReport(), StringId::ImportUnreadable, path, ReasonStringId(problem));
        return false;
    }
    DocumentDamage damage = DocumentDamage::Contents;
    if (!LoadFromBytes(*data, path.toStdString(), nullptr, &damage)) {
        ReportFileFailure(GetErrorReport(), StringId::ImportUnreadable, path, DamageStringId(damage));
        return false;
    }
    m_path = path;
    m_modified = false;
    return true;
}

bool CDocument::OnSaveDocument(const QString& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = StoreToBytes();
    } catch (const std::bad_alloc&) {
        ReportFileFailure(GetErrorReport(), StringId::SaveFailed, path, StringId::ReasonOutOfMemory);
        return false;
    } catch (const std::exception&) {
        ReportFileFailure(GetErrorReport(), StringId::SaveFailed, path, StringId::ReasonOther);
        return false;
    }
    // The one atomic writer: it keeps the file's mode and links, refuses a
    // read-only file, and tells why it failed.
    FileProblem problem = FileProblem::None;
    if (!WriteFileAtomically(std::filesystem::path(path.toStdU16String()), bytes, nullptr, &problem)) {
        ReportFileFailure(GetErrorReport(), StringId::SaveFailed, path, ReasonStringId(problem));
        return false;
    }
    m_path = path;
    m_modified = false;
    return true;
}

}  // namespace kavitro
