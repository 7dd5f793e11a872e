#pragma once

// The document side of the document/view machinery: a path, a modified
// flag, the views, and opening and saving through an archive. Opening reads
// the whole file and loads it; saving stores into memory first and then
// replaces the file atomically, so that a failed save leaves the previous
// file as it was.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "platform/Archive.h"

namespace kavitro {

class CDrawObj;
class DocumentViewObserver;
class ErrorReport;
class StringTable;
enum class DocumentDamage : std::uint8_t;

class CDocument : public CObject {
public:
    // The largest file a document may be. Pictures dominate a document's
    // size, and their decoded pixels are bounded per document (256 MB as
    // 32-bit bitmaps), their stored forms per picture; this leaves ample
    // room for everything else and refuses a file no document can be
    // before it is read.
    static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

    ~CDocument() override = default;

    const QString& GetPathName() const { return m_path; }
    void SetPathName(const QString& path) { m_path = path; }
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    void AddView(DocumentViewObserver* view);
    void RemoveView(DocumentViewObserver* view);
    const std::vector<DocumentViewObserver*>& GetViews() const { return m_views; }
    DocumentViewObserver* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    // Every view except the sender gets OnUpdate(hint, object).
    void UpdateAllViews(DocumentViewObserver* sender, std::intptr_t hint = 0, CDrawObj* object = nullptr);

    virtual bool OnNewDocument();
    // Reads the file and loads it; on failure the user is told (through the
    // error report) and the document stays as it was.
    virtual bool OnOpenDocument(const QString& path);
    // Stores the document and replaces the file atomically; on failure the
    // user is told and the previous file is untouched.
    virtual bool OnSaveDocument(const QString& path);

    // Loads bytes into this document; false with an English detail and
    // what is wrong with them when they are refused (the document is then
    // unchanged).
    virtual bool LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& fileName, std::string* error,
                               DocumentDamage* damage = nullptr) = 0;
    // The document as the file holds it.
    virtual std::vector<std::uint8_t> StoreToBytes() = 0;

protected:
    CDocument() = default;
    // Where failures are reported.
    virtual ErrorReport* GetErrorReport() const = 0;
    // The numbered strings failures are told in; none keeps the built-in texts.
    virtual const StringTable* GetStringTable() const { return nullptr; }

private:
    QString m_path;
    bool m_modified = false;
    std::vector<DocumentViewObserver*> m_views;
};

}  // namespace kavitro
