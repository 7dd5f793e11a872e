#include "app/ObjectMenu.h"

#include <QAction>

#include "app/LanguagePack.h"
#include "view/CommandIds.h"
#include "view/CommandRegistry.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

namespace V = ViewCommand;

// clang-format off
constexpr std::uint32_t kCommands[] = {
    V::EditCut, V::EditCopy, V::EditPaste, V::EditClear, 0,
    V::BringToFront, V::SendToBack, V::BringForward, V::SendBackward, 0,
    V::Duplicate, V::ObjectProperties,
};
// clang-format on

}  // namespace

std::span<const std::uint32_t> ObjectMenuCommands() { return kCommands; }

CObjectMenu::CObjectMenu(const LanguagePack& pack, CKavitroView& view, QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("ObjectMenu"));
    CCommandRegistry& registry = CCommandRegistry::ViewCommands();
    for (const std::uint32_t id : kCommands) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        QAction* item = addAction(pack.Text(id));
        item->setData(id);
        item->setEnabled(registry.Update(id, view).enabled);
    }
}

std::optional<std::uint32_t> CObjectMenu::Choose(QPoint globalPos) {
    const QAction* chosen = exec(globalPos);
    if (!chosen)
        return std::nullopt;
    return chosen->data().toUInt();
}

}  // namespace kavitro
