#pragma once

// The popup menu of an object under the pointer (menu 104): what can be done
// with the object the right click selected. Each item carries its command id
// and the caption of the pack's string of that number; the item is enabled
// as the command's update rule says for the view that asked, and the chosen
// command runs on that view.

#include <QMenu>

#include <cstdint>
#include <optional>
#include <span>

namespace kavitro {

class CKavitroView;
class LanguagePack;

// The menu's commands in order; 0 stands for a separator.
std::span<const std::uint32_t> ObjectMenuCommands();

class CObjectMenu final : public QMenu {
    Q_OBJECT
public:
    CObjectMenu(const LanguagePack& pack, CKavitroView& view, QWidget* parent = nullptr);

    // Shows the menu at a screen point; the chosen command, not yet run.
    std::optional<std::uint32_t> Choose(QPoint globalPos);
};

}  // namespace kavitro
