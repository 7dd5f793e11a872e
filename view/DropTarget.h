#pragma once

// The page view as a drop target, without a window: the widget hands it the
// drag events. A drop inserts what a paste of the same data would, centred
// on the drop point, and is always a copy (the source never deletes its
// data). Files from a file manager are taken too: pictures become picture
// objects, text files are inserted as text, documents go to the shell's
// opener. A drop that inserts nothing is refused and changes nothing.

#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/Geometry.h"

class QMimeData;

namespace kavitro {

class CKavitroView;

class CDropTarget {
public:
    enum class Effect { None, Copy };
    // Opens a dropped document in a window of its own; true when it did.
    using DocumentOpener = std::function<bool(const std::filesystem::path& path)>;
    // Text files larger than this are refused.
    static constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{16} << 20;

    explicit CDropTarget(CKavitroView& view) : m_view(view) {}

    // Client pixels. Copy while the data holds something to insert and the
    // point lies over the view.
    Effect OnDragEnter(const QMimeData& data, Point point);
    Effect OnDragOver(const QMimeData& data, Point point);
    void OnDragLeave() {}
    // True when something was inserted (or a document opened): the drop is
    // accepted as a copy. False leaves the document as it was.
    bool OnDrop(const QMimeData& data, Point point);
    // The last drop opened a document: its window is now the active one, and
    // this view must not take the focus back from it.
    bool OpenedDocument() const { return m_openedDocument; }

    // The process-wide opener of dropped documents (the shell's).
    static void SetDocumentOpener(DocumentOpener opener);

private:
    bool CanInsert(const QMimeData& data) const;
    bool DropFiles(const QMimeData& data, Point point);
    bool DropFile(const std::filesystem::path& path, Point point);

    CKavitroView& m_view;
    bool m_openedDocument = false;
};

}  // namespace kavitro
