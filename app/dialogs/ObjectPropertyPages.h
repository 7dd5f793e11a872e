#pragma once

// The object-properties sheet's pages. Each page reads its object when it
// opens and writes back on OK. The logic (values in, document change and
// undo record out) stands apart from the thin widgets so that it runs
// headless.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/dialogs/PropertySheet.h"
#include "document/DocumentServices.h"
#include "platform/DcTypes.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kavitro {

class CColourPicker;
class CDib;
class CDrawObj;
class CDrawPicture;
class CMetafilePicture;
class PageListModel;
class CDrawText;
class CKavitroDoc;

// --- General page: pen, brush and page of any object. -------------------------

struct GeneralValues {
    bool everyPage = false;
    bool noFill = false;
    std::int32_t lineWidth = 0;  // 0: no pen
    double horizontal = 0;       // millimetres, shown only
    double vertical = 0;
    int page = 0;                // index into the page list
    COLORREF lineColour = 0;
    COLORREF fillColour = 0;
};

inline constexpr std::int32_t kMaxLineWidth = 200;

GeneralValues ReadGeneralValues(const CDrawObj& object, const CKavitroDoc& document);
// Writes the values back as one undoable step (the page field, pen and brush
// before the change are recorded); the page index is kept inside the
// document's pages and the width inside 0..kMaxLineWidth. Returns whether
// anything changed (nothing is recorded otherwise).
bool ApplyGeneralValues(CDrawObj& object, CKavitroDoc& document, const GeneralValues& values);

// --- Text page: angle, size and colour of a text object. ----------------------

struct TextValues {
    std::int32_t angle = 0;
    double size = 0;  // points
    COLORREF colour = 0;
};
// What OK sends to the view that opened the sheet.
struct TextViewChange {
    std::int32_t sizeTimes20 = 0;  // WM_USER+3
    std::int32_t angle = 0;        // WM_USER+5
};

inline constexpr double kMinTextPoints = 2;
inline constexpr double kMaxTextPoints = 10000;

TextValues ReadTextValues(const CDrawText& text);
// The boxes' texts as the view takes them: a size of 2..10000 points (× 20,
// truncated), an angle brought into 0..359. Nothing when a box does not hold
// a number.
std::optional<TextViewChange> ReadTextBoxes(std::u16string_view size, std::u16string_view angle);
// The colour, as one undoable text edit; true when it changed.
bool ApplyTextColour(CDrawText& text, CKavitroDoc& document, COLORREF colour);

// --- Widgets -----------------------------------------------------------------

class CObjectGeneralProperties : public CFontPropertyPage {
    Q_OBJECT
public:
    CObjectGeneralProperties(CDrawObj& object, CKavitroDoc& document, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;

private:
    CDrawObj& m_object;
    CKavitroDoc& m_document;
    GeneralValues m_values;
    QCheckBox* m_everyPage;
    QCheckBox* m_noFill;
    QSpinBox* m_lineWidth;
    QLineEdit* m_horizontal;
    QLineEdit* m_vertical;
    QComboBox* m_page;
    PageListModel* m_pageModel;  // "1", "2", ... made when shown
    CColourPicker* m_lineColour;
    CColourPicker* m_fillColour;
};

class CObjectTextProperties : public CFontPropertyPage {
    Q_OBJECT
public:
    using ViewSink = std::function<void(const TextViewChange&)>;
    // `toView` reaches the view that opened the sheet.
    CObjectTextProperties(CDrawText& text, CKavitroDoc& document, ViewSink toView, QWidget* parent = nullptr);
    void OnFirstActive() override;
    void OnOK() override;

private:
    CDrawText& m_text;
    CKavitroDoc& m_document;
    ViewSink m_toView;
    QLineEdit* m_angle;
    QLineEdit* m_size;
    CColourPicker* m_colour;
};

// The Dodavo page: Change asks for a picture file; OK gives the chosen
// picture to the object as one undoable step; Cancel drops it.
class CObjectDodavoProperties : public CFontPropertyPage {
    Q_OBJECT
public:
    CObjectDodavoProperties(CDrawPicture& picture, QWidget* parent = nullptr);
    ~CObjectDodavoProperties() override;
    // Keeps the pictures the file dialog gave (a failed dialog keeps the
    // previous ones).
    void OnChange();
    void SetPending(std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster);
    bool HasPending() const;
    void OnOK() override;
    void OnCancel() override;

private:
    CDrawPicture& m_picture;
    std::unique_ptr<CMetafilePicture> m_vector;
    std::unique_ptr<CDib> m_raster;
};

// The object-properties sheet as the document asks for it: a text page for a
// text object, a Dodavo page for a picture object, and the general page.
class DialogPropertySheets : public PropertySheets {
public:
    explicit DialogPropertySheets(QWidget* parent = nullptr) : m_parent(parent) {}
    // Where the text page's size and angle go: the view that opened the
    // sheet (the shell points it at the active view).
    void SetTextViewSink(CObjectTextProperties::ViewSink sink) { m_toView = std::move(sink); }
    bool EditObjectProperties(CDrawObj& object) override;

private:
    QWidget* m_parent;
    CObjectTextProperties::ViewSink m_toView;
};

}  // namespace kavitro
