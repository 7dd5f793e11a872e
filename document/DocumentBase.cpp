#include "document/DocumentBase.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include <QSaveFile>

#include "document/DocumentServices.h"
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

// Replaces a file through a temporary file and a rename; false with the
// reason when anything fails (the old file then stays).
bool SaveThroughTemporaryFile(const QString& path, std::span<const std::uint8_t> bytes, QString* error);

void Report(ErrorReport* report, const QString& text) {
    if (report) report->ReportError(text.toStdU16String());
}

// A file that cannot be opened is told in the interface's language when the
// pack has the text, with the path on a line of its own; the reason is an
// English detail and stays only in the built-in text.
QString OpenFailure(const StringTable* strings, const QString& path, const QString& builtIn) {
    const std::u16string text = strings ? strings->GetString(StringId::ImportUnreadable) : std::u16string();
    if (text.empty()) return builtIn;
    return QString::fromStdU16String(text) + u'\n' + path;
}

}  // namespace

bool CDocument::OnOpenDocument(const QString& path) {
    // Only a regular file of a size a document can have is read at all.
    std::string reason;
    const std::optional<std::vector<std::uint8_t>> data =
        ReadWholeFile(std::filesystem::path(path.toStdU16String()), kMaxFileBytes, &reason);
    if (!data) {
        Report(GetErrorReport(), OpenFailure(GetStringTable(), path,
                                             QStringLiteral("Cannot open %1: %2").arg(path, QString::fromStdString(reason))));
        return false;
    }
    std::string error;
    if (!LoadFromBytes(*data, path.toStdString(), &error)) {
        Report(GetErrorReport(),
               OpenFailure(GetStringTable(), path,
                           QStringLiteral("%1 is damaged or is not a document: %2").arg(path, QString::fromStdString(error))));
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
    } catch (const std::exception& e) {
        Report(GetErrorReport(), QStringLiteral("Cannot save %1: %2").arg(path, QString::fromUtf8(e.what())));
        return false;
    }
    QString error;
    if (!SaveThroughTemporaryFile(path, bytes, &error)) {
        Report(GetErrorReport(), QStringLiteral("Cannot save %1: %2").arg(path, error));
        return false;
    }
    m_path = path;
    m_modified = false;
    return true;
}

namespace {

bool SaveThroughTemporaryFile(const QString& path, std::span<const std::uint8_t> bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

}  // namespace kavitro
