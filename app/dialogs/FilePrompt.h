#pragma once

// The document manager's file prompt. Open: the file dialog with preview for
// documents of both kinds (version 2 first, then version 1.x), starting in the
// folder of the last opened document and remembering the folder chosen.
// Save: a dialog for version-2 documents that leaves that folder alone.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "app/dialogs/PersianFileDialog.h"

class QWidget;

namespace kavitro {

class LanguagePack;
class ProfileStore;

// Runs the prompt; on OK `fileName` holds the chosen full path. The title is
// string `titleStringId` of the language pack. The settings come from
// DocumentServices::Current().profile.
bool DoPromptFileName(QWidget* parent, QString& fileName, std::uint32_t titleStringId, bool openFileDialog);

// The pieces of the prompt, headless.
namespace file_prompt {

inline constexpr char16_t kAcceptedExtensions[] = u"kvl;kv2";
inline constexpr char16_t kDefaultExtension[] = u"kv2";

// Open: the combined entry (string 105, every document kind), one entry per
// kind in template order, then all files (string 61442). Save: version-2
// documents, then all files.
std::vector<FileFilterEntry> DocumentFilters(bool openFileDialog);
// "Last Document Dir", empty when absent.
QString LastFolder(const ProfileStore& profile);
// Remembers the folder of the chosen file (without a trailing separator).
void RememberFolder(ProfileStore& profile, const QString& chosenPath);
// Where the dialog starts when the last folder is gone: the user's documents.
QString DefaultFolder();

}  // namespace file_prompt

}  // namespace kavitro
