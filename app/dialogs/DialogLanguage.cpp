#include "app/dialogs/DialogLanguage.h"

#include <QWidget>

#include "app/LanguagePack.h"

namespace kavitro {

namespace {
const LanguagePack* g_pack = nullptr;
}  // namespace

void SetDialogLanguage(const LanguagePack* pack) { g_pack = pack; }

const LanguagePack& DialogLanguage() {
    static const LanguagePack builtIn;
    return g_pack ? *g_pack : builtIn;
}

QString DialogText(std::uint32_t id) { return DialogLanguage().Text(id); }

void ApplyDialogDirection(QWidget& widget) {
    widget.setLayoutDirection(DialogLanguage().IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
}

}  // namespace kavitro
