#pragma once

// What a copy puts on the clipboard: the objects in every format the
// clipboard settings choose, as one QMimeData (the data source).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "view/ClipboardFormat.h"

class QMimeData;

namespace kavitro {

class CKavitroDoc;
class CDrawObj;

// Sets the document's zoom and puts the old one back on every way out; the
// main frame is told both times.
class ScopedZoom {
public:
    ScopedZoom(CKavitroDoc& document, std::int32_t zoom);
    ~ScopedZoom();
    ScopedZoom(const ScopedZoom&) = delete;
    ScopedZoom& operator=(const ScopedZoom&) = delete;

private:
    CKavitroDoc& m_document;
    std::int32_t m_saved;
};

// Builds the data of a copy of the objects (which need not be in the
// document). Text and PostScript are written only when a text object is
// among them; PostScript is offered as "Encapsulated PostScript". With every
// setting off the data is empty. Each renderer draws at zoom 100 and puts the
// document's zoom back. The bitmap is rendered at once but encoded (PNG,
// BMP) only when a reader asks for it.
std::unique_ptr<QMimeData> BuildClipboardData(CKavitroDoc& document, const std::vector<CDrawObj*>& objects,
                                              const ClipboardSettings& settings);

// The copied bitmap's pixels for objects w x h document units across at a
// bitmap size in percent: w * size / 1000 by h * size / 1000, scaled down
// evenly when that is beyond what the renderer draws (a full page at 500 %
// is some 100 million pixels), so that a large copy still carries a bitmap.
Size ClipboardBitmapSize(std::int64_t w, std::int64_t h, std::int32_t bmpSize);

// The text the copy offers: each object's character codes followed by CR LF.
std::u16string ClipboardText(const std::vector<CDrawObj*>& objects);

}  // namespace kavitro
