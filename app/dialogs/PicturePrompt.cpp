#include "app/dialogs/PicturePrompt.h"

#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PersianFileDialog.h"
#include "document/StringIds.h"

namespace kavitro {

std::optional<std::filesystem::path> DialogPictureFilePrompt::AskPictureFile(const PictureFileRequest& request) {
    const auto folder = [](const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); };
    CPersianFileDialog dialog(m_parent, true, ParseBarFilter(request.filter),
                              QString::fromStdU16String(request.extensions), DialogText(StringId::PictureDialogTitle),
                              folder(request.lastFolder), folder(request.defaultFolder));
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.ChosenPath().toStdU16String());
}

}  // namespace kavitro
