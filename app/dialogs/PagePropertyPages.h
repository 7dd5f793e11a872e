#pragma once

// The page-properties sheet's pages: guide lines, grid, clipboard and
// miscellaneous settings. Each page copies its settings into its controls
// when it opens and writes them back only on OK. The logic runs headless.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/dialogs/GuideLineDialog.h"
#include "app/dialogs/PropertySheet.h"
#include "document/ApplicationProperties.h"
#include "document/GuideLineEdit.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QSlider;

namespace kavitro {

class CColourPicker;
class CKavitroDoc;

// The two guide-line lists: first every horizontal position, then every
// vertical one (millimetres). A list line k stands for horizontal entry k
// below the horizontal count, else for vertical entry k - that count.
class GuideLineLists : public GuideLinePositions {
public:
    std::size_t Count() const { return horizontal.size() + vertical.size(); }
    // The list's lines, formatted with strings 11010 and 11011.
    QStringList Lines() const;
    // The entry of a line: its orientation and position; false outside.
    bool Entry(int line, int& orientation, double& position) const;
    void Add(int orientation, double position);
    // Replaces a line's position in its own list.
    bool Edit(int line, double position);
    bool Remove(int line);
    void Clear();
};

// A grid frequency box: its number when it is a whole number of 1..1000,
// else the old frequency.
std::int32_t ReadGridFrequency(std::u16string_view text, std::int32_t old);
// A whole-number setting box: its number clamped into the setting's range,
// or the old value when the box holds no number.
std::int32_t ReadSettingBox(std::u16string_view text, std::int32_t old, CApplicationProperties::Setting setting);

class CPagePropertiesGuidelinePropertyPage : public CFontPropertyPage {
    Q_OBJECT
public:
    CPagePropertiesGuidelinePropertyPage(CApplicationProperties& settings, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;

    // Filled by the sheet's maker before the sheet runs; read after OK.
    GuideLineLists m_lists;
    GuideLimits m_limits;
    bool m_filled = false;
    bool m_allPages = false;

    // The buttons' operations (the dialog asks for a line's values).
    void OnAdd();
    void OnEdit();
    void OnRemove();
    void OnClear();
    QListWidget& List() { return *m_list; }

private:
    void Refill();

    CApplicationProperties& m_settings;
    QListWidget* m_list;
    QComboBox* m_style;
    CColourPicker* m_colour;
    QCheckBox* m_allPagesBox;
    QCheckBox* m_show;
    QCheckBox* m_snap;
};

class CPagePropertiesGridPropertyPage : public CFontPropertyPage {
    Q_OBJECT
public:
    CPagePropertiesGridPropertyPage(CApplicationProperties& settings, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;
    QLineEdit& HorizontalBox() { return *m_horizontal; }
    QLineEdit& VerticalBox() { return *m_vertical; }

private:
    CApplicationProperties& m_settings;
    CColourPicker* m_printableColour;
    CColourPicker* m_gridColour;
    QCheckBox* m_showGrid;
    QCheckBox* m_snapToGrid;
    QCheckBox* m_showPrintable;
    QLineEdit* m_horizontal;
    QLineEdit* m_vertical;
};

class CPagePropertiesClipboardPropertyPage : public CFontPropertyPage {
    Q_OBJECT
public:
    CPagePropertiesClipboardPropertyPage(CApplicationProperties& settings, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;

private:
    CApplicationProperties& m_settings;
    std::vector<std::pair<QCheckBox*, CApplicationProperties::Setting>> m_boxes;
    QSlider* m_bmpSize;
};

class CPagePropertiesMiscPropertyPage : public CFontPropertyPage {
    Q_OBJECT
public:
    CPagePropertiesMiscPropertyPage(CApplicationProperties& settings, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;
    QCheckBox& PointSizeBox() { return *m_pointSize; }
    QSlider& PointSizeSlider() { return *m_pointSizeSlider; }
    QLineEdit& TextSizeBox() { return *m_textSize; }

private:
    void Refresh();

    CApplicationProperties& m_settings;
    QCheckBox* m_pointSize;
    QSlider* m_pointSizeSlider;
    QLineEdit* m_textSize;
    CColourPicker* m_textColour;
    QCheckBox* m_zurazOrova;
};

// The page-properties sheet (caption 11042): the guide-line page first when
// `guides` is given (its lists and limits in, the edited lists and the
// all-pages choice out), then grid, clipboard and miscellaneous. True on OK.
struct GuidePageData {
    GuideLineLists lists;
    GuideLimits limits;
    bool allPages = false;
};
bool RunPageProperties(QWidget* parent, CApplicationProperties& settings, GuidePageData* guides);

// The guide page's lists for a document window: the guide lines shown on
// the view's page, kept inside the page's size.
GuidePageData GuidePageFor(const CKavitroDoc& document, std::uint32_t page);
// The sheet of a document window (without a document: no guide page). On
// OK the edited guide lines replace those of the page, or of every page, as
// one undo step.
bool RunPageProperties(QWidget* parent, CApplicationProperties& settings, CKavitroDoc* document, std::uint32_t page);

// The picture of a guide-line style (0 solid, 1 dash, 2 dot, 3 dash-dot,
// 4 dash-dot-dot): a line across 48 x 8 pixels in that pen style.
QPixmap GuideStylePicture(int style, const QColor& colour);
// The picture the style list shows: the language pack's, else the one above.
QPixmap GuideStyleIcon(int style, const QColor& colour);

}  // namespace kavitro
