#include "platform/qt/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

namespace kavitro {

QString ProgramDataFolder(const QString& binDir) {
    return QDir::cleanPath(binDir + QStringLiteral("/../share/kavitro"));
}

QString GlyphArtworkFolderOf(const QString& dataFolder) {
    const QString data = QDir::cleanPath(dataFolder);
    const QString derived = QDir::cleanPath(data + QStringLiteral("/../kavitro-nastaliq"));
    if (QFileInfo(derived + QStringLiteral("/fonts/Vorl21.ttf")).isFile())
        return derived;
    return data;
}

QString GlyphArtworkFolder(const QString& binDir) { return GlyphArtworkFolderOf(ProgramDataFolder(binDir)); }

}  // namespace kavitro
