#pragma once

// What the document layer needs from the layers above it, as small
// interfaces with defaults that tests and headless tools use. The shell wires
// the real ones into DocumentServices::Current() before any document is made;
// a document keeps a copy of the services it was built with.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "document/ApplicationProperties.h"
#include "document/CharacterTranslator.h"
#include "document/ProfileStore.h"
#include "platform/ErrorReport.h"
#include "platform/Geometry.h"
#include "platform/Notifier.h"

namespace kavitro {

class CDrawObj;

// UpdateAllViews hints.
inline constexpr std::intptr_t kHintNone = 0;
inline constexpr std::intptr_t kHintObject = 1;  // the object changed: repaint its area

// A view of a document, as the document and its objects see it. The page
// view implements it; DefaultDocumentView keeps a plain selection for tests.
class DocumentViewObserver {
public:
    virtual ~DocumentViewObserver() = default;

    // UpdateAllViews(sender, hint, object) reaches every view but the sender.
    virtual void OnUpdate(std::intptr_t hint, CDrawObj* object) = 0;
    // The object's area is invalidated without erasing.
    virtual void InvalidateObject(const CDrawObj& object) = 0;
    // Outline dragging (drawing modes 1 and 2): draws the rectangle of zoomed
    // bounds in the inverting overlay; drawing it again erases it.
    virtual void DrawDragOutline(const Rect& zoomedBounds) = 0;

    // Selection: removal reports whether the view held the object.
    virtual bool RemoveFromSelection(const CDrawObj& object) = 0;
    // Empties the selection, the text-component selection too.
    virtual void ClearSelection() = 0;
    // Appends an object an undo or redo touched, its text component reset.
    virtual void AddToSelection(CDrawObj& object) = 0;
    virtual bool IsSelected(const CDrawObj& object) const = 0;
    // True while the view draws (or prints) only the selected objects.
    virtual bool IsDrawingSelectedOnly() const = 0;
    // The rectangle of a handle of a selected object, in zoomed units.
    virtual Rect GetHandleRect(const CDrawObj& object, int handle) const = 0;

    // The current page (0-based), or 0xFFFFFFFF when all pages are shown.
    virtual std::uint32_t GetCurrentPage() const = 0;
    // The page size or margins changed: the view recomputes its scroll sizes
    // and scrolls.
    virtual void UpdateScrollSizes() = 0;
};

// A view without a window: a set of selected objects, a current page, and
// counters a test can read.
class DefaultDocumentView : public DocumentViewObserver {
public:
    void OnUpdate(std::intptr_t hint, CDrawObj* object) override;
    void InvalidateObject(const CDrawObj& object) override;
    void DrawDragOutline(const Rect& zoomedBounds) override;
    bool RemoveFromSelection(const CDrawObj& object) override;
    void ClearSelection() override;
    void AddToSelection(CDrawObj& object) override;
    bool IsSelected(const CDrawObj& object) const override;
    bool IsDrawingSelectedOnly() const override { return m_selectedOnly; }
    Rect GetHandleRect(const CDrawObj& object, int handle) const override;
    std::uint32_t GetCurrentPage() const override { return m_page; }
    void UpdateScrollSizes() override { ++m_scrollUpdates; }

    std::vector<CDrawObj*> m_selection;
    std::uint32_t m_page = 0;
    bool m_selectedOnly = false;
    int m_updates = 0;
    int m_invalidations = 0;
    int m_scrollUpdates = 0;
    std::vector<Rect> m_outlines;
};

// The default printer as the page size needs it (GetDeviceCaps values and
// the printer's papers). Without a printing system there is no printer.
struct PrinterPageMetrics {
    std::int32_t physicalWidth = 0, physicalHeight = 0;
    std::int32_t physicalOffsetX = 0, physicalOffsetY = 0;
    std::int32_t logPixelsX = 0, logPixelsY = 0;
    std::int32_t horzRes = 0, vertRes = 0;
};
struct PrinterPaper {
    std::uint16_t id = 0;
    Size size;  // 0.1 mm, as DeviceCapabilities(DC_PAPERSIZE) gives it
};
// The paper settings the document hands to the printer (the DEVMODE fields).
struct PaperSelection {
    std::int16_t orientation = 1;  // 1 portrait, 2 landscape
    std::int16_t paperSize = 0;    // a paper id, or 0 for the custom size below
    std::int16_t paperLength = 0;  // 0.1 mm
    std::int16_t paperWidth = 0;   // 0.1 mm
    friend bool operator==(const PaperSelection&, const PaperSelection&) = default;
};
class PrinterInformation {
public:
    virtual ~PrinterInformation() = default;
    virtual std::optional<PrinterPageMetrics> GetDefaultPrinter() const = 0;
    virtual std::vector<PrinterPaper> GetPapers() const = 0;
    virtual void SelectPaper(const PaperSelection& selection) = 0;
    // The paper the system uses while no printer is set up (the locale's), in
    // 0.01 mm, portrait; none: US Letter.
    virtual std::optional<Size> GetSystemPaper() const { return std::nullopt; }
};
// No printer and no system paper: the page size falls back to US Letter with
// 5 mm margins.
class NoPrinter final : public PrinterInformation {
public:
    std::optional<PrinterPageMetrics> GetDefaultPrinter() const override { return std::nullopt; }
    std::vector<PrinterPaper> GetPapers() const override { return {}; }
    void SelectPaper(const PaperSelection&) override {}
};

// The object property sheet; true when it ended with OK.
class PropertySheets {
public:
    virtual ~PropertySheets() = default;
    virtual bool EditObjectProperties(CDrawObj& object) = 0;
};
class NoPropertySheets final : public PropertySheets {
public:
    bool EditObjectProperties(CDrawObj&) override { return false; }
};

// Asking the user for a file to open; none when cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::filesystem::path> AskOpenFile(std::uint32_t titleId, const std::u16string& filter) = 0;
};
class NoFileDialogs final : public FileDialogs {
public:
    std::optional<std::filesystem::path> AskOpenFile(std::uint32_t, const std::u16string&) override { return std::nullopt; }
};

// The numbered strings of the language pack.
class StringTable {
public:
    virtual ~StringTable() = default;
    virtual std::u16string GetString(std::uint32_t id) const = 0;
};
class EmptyStringTable final : public StringTable {
public:
    std::u16string GetString(std::uint32_t) const override { return {}; }
};

// A notifier that drops every post (no frame to deliver to).
class DroppingNotifier final : public Notifier {
protected:
    void DoPost(PostedMessage) override {}
};

struct DocumentServices {
    Notifier* notifier = nullptr;
    TargetId mainFrame = kNoTarget;
    // The active document frame (the main frame's active MDI child).
    std::function<TargetId()> activeDocumentFrame;
    ErrorReport* errors = nullptr;
    CApplicationProperties* settings = nullptr;
    ProfileStore* profile = nullptr;
    PrinterInformation* printer = nullptr;
    PropertySheets* propertySheets = nullptr;
    FileDialogs* fileDialogs = nullptr;
    const StringTable* strings = nullptr;
    const CharacterTranslator* translator = nullptr;
    std::filesystem::path programFolder;
    bool rightToLeft = false;
    // False stores the blank page as every thumbnail (made once per
    // process): for fuzzing and mass conversions, where drawing each
    // thumbnail would cost more than the rest of the save.
    bool drawThumbnails = true;

    // Every member set to a default that does nothing visible: a dropping
    // notifier, an error report that answers with the first button, the
    // default settings in an in-memory profile, no printer, no dialogs.
    static DocumentServices Defaults();
    // The services new documents take; the defaults until the shell sets them.
    static DocumentServices& Current();

    TargetId ActiveDocumentFrame() const { return activeDocumentFrame ? activeDocumentFrame() : kNoTarget; }
};

}  // namespace kavitro
