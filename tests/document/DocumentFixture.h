#pragma once

// Documents with recording services, and builders of the simple objects.

#include <memory>

#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "platform/ErrorReport.h"
#include "platform/Notifier.h"

namespace kavitro::test {

struct TestServices {
    RecordingNotifier notifier;
    RecordingErrorReport errors;
    CApplicationProperties settings;
    MemoryProfileStore profile;
    NoPrinter printer;
    DocumentServices services = DocumentServices::Defaults();

    TestServices() {
        RegisterDocumentClasses();
        services.notifier = &notifier;
        services.mainFrame = 1;
        services.activeDocumentFrame = [] { return TargetId{2}; };
        services.errors = &errors;
        services.settings = &settings;
        services.profile = &profile;
        services.printer = &printer;
    }
};

// A new document (one page, US Letter without a printer).
inline std::unique_ptr<CKavitroDoc> NewDocument(const DocumentServices& services) {
    auto doc = std::make_unique<CKavitroDoc>(services);
    doc->OnNewDocument();
    return doc;
}

// An upright rectangle at 100 % from its top-left corner and size.
inline CPolygonRect Place(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy) {
    return CPolygonRect(Point{x, y}, Size{cx, cy});
}

// Objects added as steps of their own; the document owns them.
inline CDrawRect* AddRect(CKavitroDoc& doc, const CPolygonRect& at, std::uint32_t page = 0,
                          std::uint32_t shape = CDrawRect::Rectangle) {
    auto* r = new CDrawRect(at, page, &doc);
    r->m_nShape = shape;
    doc.Add(r, true);
    return r;
}
inline CDrawLine* AddLine(CKavitroDoc& doc, const CPolygonRect& at, std::uint32_t page = 0) {
    auto* l = new CDrawLine(at, page, &doc);
    doc.Add(l, true);
    return l;
}

}  // namespace kavitro::test
