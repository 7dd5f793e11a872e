#include "view/DropTarget.h"

#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtCore/QStringConverter>
#include <QtCore/QUrl>

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/DrawPicture.h"
#include "document/FailureReasons.h"
#include "document/KavitroDoc.h"
#include "document/PictureBudget.h"
#include "platform/AtomicFile.h"
#include "view/ClipboardPaste.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

CDropTarget::DocumentOpener& Opener() {
    static CDropTarget::DocumentOpener opener;
    return opener;
}

enum class FileKind { Other, Picture, Text, Document };

FileKind KindOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* e : {".emf", ".wmf", ".kvt", ".ekvt", ".bmp", ".png", ".jpeg", ".jpg", ".gif", ".tiff"})
        if (ext == e) return FileKind::Picture;
    if (ext == ".txt") return FileKind::Text;
    if (ext == ".kv2" || ext == ".kvl") return FileKind::Document;
    return FileKind::Other;
}

// The local files among the dropped URLs.
std::vector<std::filesystem::path> LocalFiles(const QMimeData& data) {
    std::vector<std::filesystem::path> files;
    if (!data.hasUrls()) return files;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdU16String());
    return files;
}

bool CanTakeFile(const std::filesystem::path& path) {
    switch (KindOf(path)) {
        case FileKind::Picture:
        case FileKind::Text: return true;
        case FileKind::Document: return static_cast<bool>(Opener());
        case FileKind::Other: return false;
    }
    return false;
}

// A text file's characters: UTF-8, or UTF-16 with its byte-order mark.
std::u16string ReadTextFile(const std::filesystem::path& path) {
    const std::optional<std::vector<std::uint8_t>> read =
        ReadWholeFile(path, static_cast<std::size_t>(CDropTarget::kMaxTextFileBytes));
    if (!read) throw UserException("the text file cannot be read");
    const QByteArray bytes(reinterpret_cast<const char*>(read->data()), static_cast<qsizetype>(read->size()));
    const auto encoding = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decode(encoding);
    const QString text = decode(bytes);
    return text.toStdU16String();
}

}  // namespace

void CDropTarget::SetDocumentOpener(DocumentOpener opener) { Opener() = std::move(opener); }

bool CDropTarget::CanInsert(const QMimeData& data) const {
    const std::vector<std::filesystem::path> files = LocalFiles(data);
    if (!files.empty()) return std::any_of(files.begin(), files.end(), CanTakeFile);
    return ClassifyPaste(data, m_view, true) != PasteKind::None;
}

CDropTarget::Effect CDropTarget::OnDragEnter(const QMimeData& data, Point point) { return OnDragOver(data, point); }

CDropTarget::Effect CDropTarget::OnDragOver(const QMimeData& data, Point point) {
    const Size client = m_view.GetHost().GetClientSize();
    if (!Rect(0, 0, client.cx, client.cy).PtInRect(point)) return Effect::None;
    return CanInsert(data) ? Effect::Copy : Effect::None;
}

bool CDropTarget::DropFile(const std::filesystem::path& path, Point point) {
    switch (KindOf(path)) {
        case FileKind::Picture: {
            std::unique_ptr<CMetafilePicture> vector;
            std::unique_ptr<CDib> raster;
            const PictureBudget budget(RemainingPictureBytes(m_view.GetDocument()));
            return CDrawPicture::LoadPictureFile(path, vector, raster) &&
                   InsertPicture(m_view, std::move(vector), std::move(raster), point);
        }
        case FileKind::Text: {
            std::u16string text = ReadTextFile(path);
            if (text.empty()) return false;
            m_view.OnInsertText(std::move(text), 0);
            return true;
        }
        case FileKind::Document:
            m_openedDocument = (Opener() && Opener()(path)) || m_openedDocument;
            return false;  // nothing went into this document
        case FileKind::Other: return false;
    }
    return false;
}

bool CDropTarget::DropFiles(const QMimeData& data, Point point) {
    // Each file is taken or skipped whole; one that cannot be read does not
    // undo the others, and is reported once.
    bool any = false;
    // One report names the first file that could not be taken, and why.
    std::optional<std::pair<std::filesystem::path, std::uint32_t>> unreadable;
    for (const std::filesystem::path& path : LocalFiles(data)) {
        try {
            any = DropFile(path, point) || any;
        } catch (const UserException& e) {
            if (!unreadable) unreadable.emplace(path, UnreadablePictureReason(e));
        } catch (const ArchiveException&) {
            if (!unreadable) unreadable.emplace(path, StringId::ReasonUnreadablePicture);
        }
    }
    if (unreadable)
        if (ErrorReport* errors = m_view.GetDocument().GetServices().errors)
            errors->ReportFileError(CDrawPicture::kUnreadablePictureMessage, unreadable->first.u16string(),
                                    unreadable->second);
    return any;
}

bool CDropTarget::OnDrop(const QMimeData& data, Point point) {
    m_openedDocument = false;
    OnDragLeave();
    if (OnDragOver(data, point) == Effect::None) return false;
    CKavitroDoc& doc = m_view.GetDocument();
    const bool files = !LocalFiles(data).empty();
    if (files) {
        const bool inserted = DropFiles(data, point);
        if (inserted) {
            doc.SetModifiedFlag();
            doc.UpdateAllViews(nullptr, CKavitroView::kHintSelection, nullptr);
        }
        return inserted || m_openedDocument;
    }
    try {
        return PasteData(m_view, data, point);
    } catch (const std::exception&) {
        // Data that does not load is refused like data that holds nothing
        // (PasteData changes nothing before everything has loaded).
    }
    return false;
}

}  // namespace kavitro
