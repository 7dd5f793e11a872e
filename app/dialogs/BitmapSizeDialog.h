#pragma once

// The pixel size of a raster export: two boxes, width and height, that keep
// the ratio of their starting values. Typing in one box sets the other; a
// value set by the dialog does not feed back into the box it came from, so
// what the user types stays as typed. A starting value of 0 links nothing.

#include <QDialog>
#include <cstdint>
#include <optional>

#include "platform/Geometry.h"

class QLineEdit;
class QPushButton;

namespace kavitro {

// The linked pair of numbers, without widgets.
class BitmapSizeLink {
public:
    static constexpr std::int32_t kMaxSide = 20000;
    // The most pixels an export may have (a 32-bit image of about 400 MB).
    static constexpr std::int64_t kMaxArea = std::int64_t{100} * 1000 * 1000;

    BitmapSizeLink(std::int32_t startWidth, std::int32_t startHeight);

    // The user typed into one box: the value of the other box, when the text
    // is a number and the pair is linked (clamped to 1..kMaxSide).
    std::optional<std::int32_t> WidthTyped(std::u16string_view text);
    std::optional<std::int32_t> HeightTyped(std::u16string_view text);

    // The size the boxes hold, when both are whole numbers of 1..kMaxSide
    // and the area is at most kMaxArea.
    static std::optional<Size> Accept(std::u16string_view width, std::u16string_view height);

private:
    std::int32_t m_startWidth;
    std::int32_t m_startHeight;
};

class CBitmapExportDialog : public QDialog {
    Q_OBJECT
public:
    CBitmapExportDialog(QWidget* parent, Size start);
    // After OK.
    Size ChosenSize() const { return m_size; }
    QLineEdit& WidthBox() { return *m_width; }
    QLineEdit& HeightBox() { return *m_height; }

public slots:
    void accept() override;

private:
    void Revalidate();

    BitmapSizeLink m_link;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QPushButton* m_ok = nullptr;
    Size m_size;
};

// The export's size hook: asks with `size` as the starting values; on OK
// leaves the chosen size in `size`.
bool AskBitmapSize(QWidget* parent, Size& size);

}  // namespace kavitro
