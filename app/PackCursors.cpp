#include "app/PackCursors.h"

#include <QPixmap>

namespace kavitro {

std::vector<QCursor> LoadCursorTable(const LanguagePack& pack) {
    std::vector<QCursor> cursors;
    cursors.reserve(kCursorIds.size());
    for (std::uint32_t id : kCursorIds) {
        const std::optional<PackCursor> file = pack.Cursor(id);
        QPixmap picture;
        if (file && picture.load(file->path, "PNG") && file->hotX < picture.width() && file->hotY < picture.height())
            cursors.emplace_back(picture, file->hotX, file->hotY);
        else
            cursors.emplace_back(Qt::ArrowCursor);
    }
    return cursors;
}

}  // namespace kavitro
