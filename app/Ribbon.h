#pragma once

// The ribbon: tabs of groups built from the data table of RibbonLayout.h.
// Buttons show the frame's actions for their commands (so captions,
// shortcuts, enabled and checked states are the actions'); the boxes, the
// colour button, the galleries and the zoom slider ask the frame to run
// their command and hold the values the command then reads.

#include <QColor>
#include <QIcon>
#include <QTabWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <optional>
#include <utility>
#include <vector>

#include "platform/DcTypes.h"

class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

namespace kavitro {

class LanguagePack;

class CRibbon final : public QTabWidget {
    Q_OBJECT
public:
    using ActionFor = std::function<QAction*(std::uint32_t command)>;
    CRibbon(const ActionFor& actionFor, QWidget* parent = nullptr);

    // Tab and group captions, box tooltips and gallery items from the pack.
    void Retranslate(const LanguagePack& pack);

    QString ComboText(std::uint32_t command) const;
    void SetComboText(std::uint32_t command, const QString& text);
    QComboBox* Combo(std::uint32_t command) const;
    COLORREF TextColour() const { return m_textColour; }
    void SetTextColour(COLORREF colour);
    // The last item chosen in a gallery; none before the first choice.
    std::optional<std::int32_t> GallerySelection(std::uint32_t command) const;
    // The gallery button shows the picture of gallery image `image`.
    void SetGalleryImage(std::uint32_t command, std::int32_t image);
    // A gallery's items in order, each with its picture as icon.
    std::vector<QAction*> GalleryItems(std::uint32_t command) const;
    // The zoom box and slider show a zoom without running the command.
    void ShowZoom(int zoom);

signals:
    // A box, the colour button, a gallery or the slider wants its command run.
    void commandRequested(std::uint32_t command);
    // A box's typed or chosen value went to its command: the keyboard can go
    // back to the page, so that Ctrl+Z and typing reach the document.
    void comboApplied(std::uint32_t command);

private:
    QWidget* MakeElement(const struct RibbonItem& item, const ActionFor& actionFor, QWidget* parent);

    std::map<std::uint32_t, QComboBox*> m_combos;
    std::set<std::uint32_t> m_pendingCombos;  // combo commands due this turn
    std::map<std::uint32_t, QToolButton*> m_galleries;
    std::map<std::uint32_t, std::int32_t> m_gallerySelection;
    std::map<std::uint32_t, std::vector<QAction*>> m_galleryItems;
    std::map<std::pair<std::uint32_t, std::int32_t>, QIcon> m_galleryPictures;  // (command, image)
    std::map<std::uint32_t, std::int32_t> m_galleryImage;                      // the image shown
    std::map<std::uint32_t, std::uint32_t> m_tabCaptions;  // tab index -> string
    std::map<QLabel*, std::uint32_t> m_groupCaptions;
    QToolButton* m_colourButton = nullptr;
    QSlider* m_zoomSlider = nullptr;
    COLORREF m_textColour = 0;
    bool m_showingZoom = false;
};

}  // namespace kavitro
