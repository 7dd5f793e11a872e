#include "app/dialogs/FilePrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/dialogs/DialogLanguage.h"
#include "document/ApplicationProperties.h"
#include "document/DocumentServices.h"
#include "document/StringIds.h"

namespace kavitro {

namespace file_prompt {

namespace {

struct DocumentKind {
    const char16_t* filterName;
    const char16_t* pattern;
};
// The document templates in their order: version 2 first.
constexpr DocumentKind kKinds[] = {
    {u"Kavitro Files (*.kv2)", u"*.kv2"},
    {u"Kavitro 1.x Files (*.kvl)", u"*.kvl"},
};

}  // namespace

std::vector<FileFilterEntry> DocumentFilters(bool openFileDialog) {
    std::vector<FileFilterEntry> filters;
    if (openFileDialog) {
        FileFilterEntry combined{DialogText(StringId::DocumentFilter), {}};
        for (const DocumentKind& kind : kKinds) combined.patterns << QString::fromUtf16(kind.pattern);
        filters.push_back(combined);
        for (const DocumentKind& kind : kKinds)
            filters.push_back({QString::fromUtf16(kind.filterName), {QString::fromUtf16(kind.pattern)}});
    } else {
        filters.push_back({QString::fromUtf16(kKinds[0].filterName), {QString::fromUtf16(kKinds[0].pattern)}});
    }
    filters.push_back({DialogText(StringId::AllFilesFilter), {QStringLiteral("*")}});
    return filters;
}

QString LastFolder(const ProfileStore& profile) {
    return QString::fromStdU16String(profile.GetProfileString(CApplicationProperties::kSettingsSection,
                                                              CApplicationProperties::kLastDocumentDirName, u""));
}

void RememberFolder(ProfileStore& profile, const QString& chosenPath) {
    QString folder = QDir::toNativeSeparators(QFileInfo(chosenPath).absolutePath());
    // The root keeps its one separator; any other folder is stored without one.
    while (folder.size() > 1 && folder.endsWith(QDir::separator())) folder.chop(1);
    profile.WriteProfileString(CApplicationProperties::kSettingsSection, CApplicationProperties::kLastDocumentDirName,
                               folder.toStdU16String());
}

QString DefaultFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

}  // namespace file_prompt

bool DoPromptFileName(QWidget* parent, QString& fileName, std::uint32_t titleStringId, bool openFileDialog) {
    ProfileStore* profile = DocumentServices::Current().profile;
    const QString title = DialogText(titleStringId);
    if (!openFileDialog) {
        // The save prompt starts at the document's own name and folder and
        // does not touch the last-opened folder. A document never saved has
        // a bare title ("Untitled1"), no folder: the documents folder then,
        // not wherever the program happened to be started.
        const QFileInfo current(fileName);
        const QString folder = current.isAbsolute() ? current.absolutePath() : QString();
        CPersianFileDialog dialog(parent, false, file_prompt::DocumentFilters(false), {}, title, folder,
                                  file_prompt::DefaultFolder());
        dialog.setDefaultSuffix(QString::fromUtf16(file_prompt::kDefaultExtension));
        if (!fileName.isEmpty()) dialog.selectFile(current.fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().isEmpty()) return false;
        fileName = dialog.ChosenPath();
        return true;
    }
    const QString last = profile ? file_prompt::LastFolder(*profile) : QString();
    CPersianFileDialog dialog(parent, true, file_prompt::DocumentFilters(true),
                              QString::fromUtf16(file_prompt::kAcceptedExtensions), title, last,
                              file_prompt::DefaultFolder());
    dialog.setDefaultSuffix(QString::fromUtf16(file_prompt::kDefaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().isEmpty()) return false;
    fileName = dialog.ChosenPath();
    if (profile) file_prompt::RememberFolder(*profile, fileName);
    return true;
}

}  // namespace kavitro
