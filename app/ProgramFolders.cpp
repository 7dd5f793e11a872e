#include "app/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

namespace kavitro {

QString ProgramDataFolder(const QString& binDir) {
    return QDir::cleanPath(binDir + QStringLiteral("/../share/kavitro"));
}

QString GlyphArtworkFolder(const QString& binDir) {
    const QString derived = QDir::cleanPath(binDir + QStringLiteral("/../share/kavitro-nastaliq"));
    if (QFileInfo(derived + QStringLiteral("/fonts/Vorl21.ttf")).isFile())
        return derived;
    return ProgramDataFolder(binDir);
}

}  // namespace kavitro
