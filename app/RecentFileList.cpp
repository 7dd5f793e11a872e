#include "app/RecentFileList.h"

#include <QFileInfo>
#include <string>

#include "document/ProfileStore.h"

namespace kavitro {

namespace {

std::string EntryName(int index) { return "File" + std::to_string(index + 1); }

}  // namespace

CRecentFileList::CRecentFileList(ProfileStore& profile) : m_profile(profile) {
    for (int i = 0; i < kSize; ++i) {
        const QString path = QString::fromStdU16String(m_profile.GetProfileString(kSection, EntryName(i), u""));
        if (!path.isEmpty() && !m_entries.contains(path))
            m_entries.push_back(path);
    }
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_entries.removeAll(absolute);
    m_entries.prepend(absolute);
    while (m_entries.size() > kSize)
        m_entries.removeLast();
    Store();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_entries.size())
        return;
    m_entries.removeAt(index);
    Store();
}

QString CRecentFileList::MenuText(int index) const {
    if (index < 0 || index >= m_entries.size())
        return {};
    // A '&' in the name is a letter, not a shortcut mark.
    const QString name = QFileInfo(m_entries[index]).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

void CRecentFileList::Store() {
    // Every slot is written: a shorter list empties the slots after it.
    for (int i = 0; i < kSize; ++i)
        m_profile.WriteProfileString(kSection, EntryName(i),
                                     i < m_entries.size() ? m_entries[i].toStdU16String() : std::u16string());
}

}  // namespace kavitro
