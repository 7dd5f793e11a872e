#pragma once

// The guide-line dialog: the orientation (horizontal or vertical) and the
// position of a guide line, in millimetres from the page's top or right edge.
// When it edits an existing line the orientation is fixed.

#include <QDialog>
#include <QString>
#include <string_view>

class QLineEdit;
class QRadioButton;

namespace kavitro {

// The largest position of each orientation: the page's height for a
// horizontal line, its width for a vertical one (millimetres).
struct GuideLimits {
    double horizontal = 1e6;
    double vertical = 1e6;
    double For(int orientation) const { return orientation == 0 ? horizontal : vertical; }
};

// The position box's text when the dialog opens: empty when adding.
QString GuidePositionText(bool edit, double position);
// The position a text gives: its leading number (what follows is ignored),
// 0 when it does not start with one, kept inside 0..limit.
double ReadGuidePosition(std::u16string_view text, double limit);

class CAddGuidelineDialog : public QDialog {
    Q_OBJECT
public:
    CAddGuidelineDialog(QWidget* parent, bool edit, int orientation, double position, GuideLimits limits = {});

    // After OK: 0 horizontal, 1 vertical.
    int Orientation() const { return m_orientation; }
    double Position() const { return m_position; }

    QLineEdit& PositionBox() { return *m_text; }
    QRadioButton& HorizontalButton() { return *m_horizontal; }
    QRadioButton& VerticalButton() { return *m_vertical; }

public slots:
    void accept() override;

private:
    GuideLimits m_limits;
    int m_orientation;
    double m_position;
    QLineEdit* m_text = nullptr;
    QRadioButton* m_horizontal = nullptr;
    QRadioButton* m_vertical = nullptr;
};

}  // namespace kavitro
