#pragma once

// The documents opened or saved last, newest first, as the File tab shows
// them. Kept in the profile ("Recent File List", "File1" to "File4") and
// written at each change, so that the list survives a crash as well.

#include <QString>
#include <QStringList>

namespace kavitro {

class ProfileStore;

class CRecentFileList {
public:
    static constexpr int kSize = 4;
    static constexpr const char* kSection = "Recent File List";

    // Reads the stored entries; empty and repeated ones are skipped.
    explicit CRecentFileList(ProfileStore& profile);

    const QStringList& Entries() const { return m_entries; }
    // The path goes first (absolute; moved there when listed already); the
    // oldest entry beyond the size drops out.
    void Add(const QString& path);
    // An entry that could not be opened leaves the list.
    void Remove(int index);
    // The menu text of an entry: "&1 name.kv2".
    QString MenuText(int index) const;

private:
    void Store();

    ProfileStore& m_profile;
    QStringList m_entries;
};

}  // namespace kavitro
