#pragma once

// The paper of a document window, chosen without a printer: a standard
// size (or the document's own), upright or turned, and the four margins in
// millimetres. OK gives the document the new size and margins.

#include <QPageSize>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "app/dialogs/PropertySheet.h"
#include "platform/DcTypes.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kavitro {

class CKavitroDoc;

// The standard sizes offered, most used first.
const std::vector<QPageSize::PageSizeId>& OfferedPaperSizes();
// A standard size in 0.01 mm, turned for landscape.
Size PaperSize(QPageSize::PageSizeId id, bool landscape);
// The margins the four boxes give (left, top, right, bottom; millimetres),
// or nothing when a box holds no number, a margin is negative, or the
// margins leave less than a centimetre of the page each way.
std::optional<Rect> ReadMargins(const std::array<std::u16string_view, 4>& boxes, Size page);
// Gives the document its paper; false when nothing changes.
bool ApplyPaper(CKavitroDoc& document, Size size, const Rect& margins);

class CPagePropertiesPaperPropertyPage : public CFontPropertyPage {
    Q_OBJECT
public:
    explicit CPagePropertiesPaperPropertyPage(CKavitroDoc& document, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;

    QComboBox& SizeBox() { return *m_size; }
    QRadioButton& LandscapeButton() { return *m_landscape; }
    QLineEdit& MarginBox(int edge) { return *m_margins[static_cast<std::size_t>(edge)]; }

private:
    CKavitroDoc& m_document;
    QComboBox* m_size;
    QRadioButton* m_portrait;
    QRadioButton* m_landscape;
    std::array<QLineEdit*, 4> m_margins{};
};

}  // namespace kavitro
