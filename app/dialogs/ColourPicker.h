#pragma once

// The colour button of the option and property pages: it shows a colour and,
// when clicked, drops a popup below itself with 40 named colours and a box
// that opens the full colour dialog. Arrow keys move through the cells,
// Return or Space choose, Escape or a click outside (or leaving the
// application) cancels and restores the starting colour. Colours stay
// 0x00BBGGRR values.

#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "platform/DcTypes.h"

namespace kavitro {

struct NamedColour {
    const char* name;  // the tooltip
    COLORREF colour;
};
extern const std::array<NamedColour, 40> kPickerColours;

// The popup's cells and movement, without widgets. Cells 0..39 are the
// colours, kCustomCell the box that opens the colour dialog, kDefaultCell the
// default box (only with a default text), kNoCell none.
class ColourPopupModel {
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 5;
    static constexpr int kNoCell = -1;
    static constexpr int kCustomCell = -2;
    static constexpr int kDefaultCell = -3;
    static constexpr COLORREF kAutomatic = 0xFF000000;

    ColourPopupModel(COLORREF start, bool hasDefault, bool hasCustom);

    int Current() const { return m_current; }
    COLORREF Start() const { return m_start; }
    // The colour the current cell stands for: its colour, automatic for the
    // default box; the custom box leaves the last chosen one.
    COLORREF Chosen() const { return m_chosen; }
    // Highlights a cell; false when it does not exist.
    bool Select(int cell);

    enum class Move { Left, Right, Up, Down };
    void Step(Move move);

private:
    bool Exists(int cell) const;
    // The cells in reading order: default box, colours, custom box.
    std::vector<int> Order() const;

    COLORREF m_start;
    COLORREF m_chosen;
    bool m_hasDefault;
    bool m_hasCustom;
    int m_current = kNoCell;
};

// Where a popup of `size` opens for a button at `button` (global
// coordinates): below the button's bottom-left corner, moved left to stay
// within the screen, right when it would start left of it, and above the
// button when it would pass the screen's bottom.
QPoint PlaceColourPopup(QSize size, const QRect& button, const QRect& screen);

class CColourPopup;

class CColourPicker : public QPushButton {
    Q_OBJECT
public:
    enum SelectionMode { TextMode = 1, BackgroundMode = 2 };

    explicit CColourPicker(QWidget* parent = nullptr);

    // The colour of the current selection mode.
    COLORREF GetColour() const;
    void SetColour(COLORREF colour);
    void SetSelectionMode(SelectionMode mode) { m_mode = mode; }
    void SetDefaultText(const QString& text) { m_defaultText = text; }
    void SetCustomText(const QString& text) { m_customText = text; }
    void SetTrackSelection(bool track) { m_track = track; }
    bool IsPopupActive() const { return m_popup != nullptr; }
    CColourPopup* Popup() const { return m_popup; }

    // How the custom box asks for a colour (QColorDialog unless replaced;
    // an empty function restores it).
    static void SetColourDialog(std::function<bool(QWidget*, COLORREF&)> dialog);
    static bool AskColour(QWidget* parent, COLORREF& colour);

    QSize sizeHint() const override;

signals:
    void selectionChanged(COLORREF colour);
    void droppedDown(COLORREF colour);
    void closedUp(COLORREF colour);
    void selectionEndedOk(COLORREF colour);
    void selectionEndedCancel(COLORREF colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnClicked();
    void OnPopupEnded(bool ok, COLORREF colour);
    void OnPopupChanged(COLORREF colour);

    COLORREF m_background;
    COLORREF m_text;
    SelectionMode m_mode = BackgroundMode;
    bool m_track = false;
    QString m_defaultText;
    QString m_customText;
    CColourPopup* m_popup = nullptr;
};

class CColourPopup : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellSize = 18;

    CColourPopup(CColourPicker& picker, COLORREF start, const QString& defaultText, const QString& customText);

    const ColourPopupModel& Model() const { return m_model; }
    // The rectangle of a cell or box, in the popup's coordinates.
    QRect CellRect(int cell) const;
    // Ends the popup with the current cell (true) or cancels it.
    void EndSelection(bool ok);

signals:
    void changed(COLORREF colour);
    void ended(bool ok, COLORREF colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    int CellAt(QPoint p) const;
    void Highlight(int cell);

    CColourPicker& m_picker;
    ColourPopupModel m_model;
    QString m_defaultText;
    QString m_customText;
    int m_margin = 2;
    int m_boxHeight = 0;
    bool m_ended = false;
};

}  // namespace kavitro
