#include "app/PackPicture.h"

#include <QImageReader>

#include "app/LanguagePack.h"

namespace kavitro {

std::optional<QImage> ReadPackPicture(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > kMaxPackPictureSide ||
        size.height() > kMaxPackPictureSide)
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull() || image.size() != size)
        return std::nullopt;
    return image;
}

QPixmap PackLogo(const LanguagePack& pack) {
    const std::optional<QImage> logo = ReadPackPicture(pack.ImagePath(QStringLiteral("LOGO")));
    return logo ? QPixmap::fromImage(*logo) : QPixmap();
}

}  // namespace kavitro
