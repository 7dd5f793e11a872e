#include "app/dialogs/FileDialogTranslator.h"

#include <QCoreApplication>
#include <QPointer>
#include <cstring>

#include "app/dialogs/DialogLanguage.h"
#include "document/StringIds.h"

namespace kavitro {

namespace {

struct QtText {
    const char* context;
    const char* source;
    std::uint32_t id;
};

// Qt's own English texts and the pack's strings that stand for them.
constexpr QtText kQtTexts[] = {
    {"QFileSystemModel", "Name", StringId::FileListName},
    {"QFileSystemModel", "Size", StringId::FileListSize},
    {"QFileSystemModel", "Type", StringId::FileListType},
    {"QFileSystemModel", "Date Modified", StringId::FileListDate},
    {"QFileSystemModel", "Computer", StringId::FileListComputer},
    {"QAbstractFileIconProvider", "Folder", StringId::FileListFolder},
    {"QFileDialog", "Back", StringId::FileDialogBack},
    {"QFileDialog", "Forward", StringId::FileDialogForward},
    {"QFileDialog", "Parent Directory", StringId::FileDialogParent},
    {"QFileDialog", "Create New Folder", StringId::FileDialogNewFolderTip},
    {"QFileDialog", "List View", StringId::FileDialogListView},
    {"QFileDialog", "Detail View", StringId::FileDialogDetailView},
    {"QFileDialog", "&Rename", StringId::FileDialogRename},
    {"QFileDialog", "&Delete", StringId::FileDialogDelete},
    {"QFileDialog", "Show &hidden files", StringId::FileDialogShowHidden},
    {"QFileDialog", "&New Folder", StringId::FileDialogNewFolderMenu},
    {"QFileDialog", "New Folder", StringId::FileDialogNewFolderName},
};

}  // namespace

QString FileDialogTranslator::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText) return {};
    for (const QtText& text : kQtTexts)
        if (std::strcmp(context, text.context) == 0 && std::strcmp(sourceText, text.source) == 0)
            return DialogText(text.id);
    return {};
}

void InstallFileDialogTranslator() {
    static FileDialogTranslator translator;
    // Each application object keeps its own translators (tests make several).
    static QPointer<QCoreApplication> installedOn;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || installedOn == application) return;
    QCoreApplication::installTranslator(&translator);
    installedOn = application;
}

}  // namespace kavitro
