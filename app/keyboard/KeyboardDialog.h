#pragma once

// The on-screen keyboard: the keys of a Latin keyboard, each showing the
// character it types in the layout being edited, a scrolling palette of the
// characters a layout can usefully give, two shift buttons and a large view
// of the character under the pointer. The user picks a palette character and
// clicks the keys that are to type it; Save writes the user layout, Default
// brings back the installed one. What the dialog shows and does lives in
// input/KeyboardUIModel; this is its window.

#include <QAbstractButton>
#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <map>

#include "input/KeyboardUIModel.h"

class QLabel;
class QScrollBar;

namespace kavitro {

class CKeyboardLayoutModule;
class ErrorReport;

class CKeybaordUIDialog;

// The owner-drawn buttons: a white face with a raised edge (sunken while
// pushed), a focus frame while the pointer is over it, and one character.
class CKeyboardButtonBase : public QAbstractButton {
    Q_OBJECT
public:
    CKeyboardButtonBase(CKeybaordUIDialog& dialog, int id, QWidget* parent);
    int Id() const { return m_id; }
    bool IsHovered() const { return m_hovered; }

protected:
    // The character the button shows; KeyboardUIModel::kNone for nothing.
    virtual std::uint16_t Character() const = 0;
    virtual bool IsSunken() const { return isDown(); }
    virtual QColor LabelColour() const { return Qt::black; }
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

    CKeybaordUIDialog& m_dialog;

private:
    int m_id;
    bool m_hovered = false;
};

// A key: the working table's entry for its key code in the shift state.
class CKeyboardButton final : public CKeyboardButtonBase {
    Q_OBJECT
public:
    using CKeyboardButtonBase::CKeyboardButtonBase;

protected:
    std::uint16_t Character() const override;
};

// A palette cell: the palette entry at its place in the scrolled window,
// red on a sunken face while it is the chosen one.
class CKeyboardListButton final : public CKeyboardButtonBase {
    Q_OBJECT
public:
    using CKeyboardButtonBase::CKeyboardButtonBase;

protected:
    std::uint16_t Character() const override;
    bool IsSunken() const override;
    QColor LabelColour() const override;
};

// A shift button: a push button whose caption is red while shift is on.
class CKeyboardShiftButton final : public QAbstractButton {
    Q_OBJECT
public:
    CKeyboardShiftButton(CKeybaordUIDialog& dialog, int id, QWidget* parent);
    int Id() const { return m_id; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CKeybaordUIDialog& m_dialog;
    int m_id;
};

class CKeybaordUIDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kInformationControl = 1008;
    static constexpr int kScrollBar = 1014;
    static constexpr int kLeftShift = 1079;
    static constexpr int kRightShift = 1076;
    static constexpr int kFirstPaletteButton = KeyboardUIModel::kFirstPaletteButton;

    // Opens over the layout in force: the working table is a copy of the
    // module's table and the button map is read from programFolder. errors
    // may be null (no messages shown).
    CKeybaordUIDialog(CKeyboardLayoutModule& module, const std::filesystem::path& programFolder, ErrorReport* errors,
                      QWidget* parent = nullptr);

    const KeyboardUIModel& Model() const { return m_model; }
    // The key, palette or shift button of a control id; null for other ids.
    QAbstractButton* Button(int id) const;
    QScrollBar* PaletteScrollBar() const { return m_scrollBar; }
    QString InformationText() const;

    // The commands: Save writes the working table as the user layout;
    // Default puts the installed layout in force and into the working table.
    void OnSave();
    void OnDefault();
    // Every way out (Close, Escape, the close box) ends the dialog accepted:
    // the caller reloads the layouts from disk in any case.
    void reject() override;

    // The character under the pointer, kNone when the pointer left.
    void ShowInformation(std::uint16_t character);

private:
    friend class CKeyboardButton;
    friend class CKeyboardListButton;
    friend class CKeyboardShiftButton;

    QWidget* BuildKeys();
    QWidget* BuildPalette();
    void OnKeyClicked(int id);
    void OnPaletteClicked(int id);
    void OnShiftClicked();
    void OnScrolled(int position);
    void RepaintButtons();

    CKeyboardLayoutModule& m_module;
    ErrorReport* m_errors;
    KeyboardUIModel m_model;
    std::map<int, QAbstractButton*> m_buttons;
    QLabel* m_information = nullptr;
    QScrollBar* m_scrollBar = nullptr;
};

// Runs the dialog modally, then reloads the layouts from disk, so that saved
// assignments take effect and unsaved ones are dropped; a missing user
// layout is reported (the default one is then in force).
void RunKeyboardDialog(QWidget* parent, CKeyboardLayoutModule& module, const std::filesystem::path& programFolder,
                       ErrorReport* errors);

}  // namespace kavitro
