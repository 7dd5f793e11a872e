#include "document/PictureBudget.h"

#include <algorithm>

#include "document/Dib.h"
#include "document/DrawPicture.h"
#include "document/KavitroDoc.h"

namespace kavitro {
namespace {

thread_local PictureBudget* t_current = nullptr;

}  // namespace

PictureBudget::PictureBudget(std::int64_t bytes) : m_remaining(std::max<std::int64_t>(bytes, 0)), m_outer(t_current) {
    t_current = this;
}

PictureBudget::~PictureBudget() { t_current = m_outer; }

bool PictureBudget::Take(std::int64_t bytes) {
    if (bytes < 0) return false;
    for (const PictureBudget* b = t_current; b; b = b->m_outer)
        if (bytes > b->m_remaining) return false;
    for (PictureBudget* b = t_current; b; b = b->m_outer) b->m_remaining -= bytes;
    return true;
}

std::int64_t RemainingPictureBytes(const CKavitroDoc& document) {
    std::int64_t used = 0;
    for (const CDrawObj* object : document.ObjectsOnPage(kAllPages)) {
        const auto* picture = dynamic_cast<const CDrawPicture*>(object);
        if (picture && picture->m_pDib && picture->m_pDib->GetDib())
            used += static_cast<std::int64_t>(picture->m_pDib->GetDib()->GetBits().size());
    }
    return std::max<std::int64_t>(PictureBudget::kMaxDocumentBytes - used, 0);
}

}  // namespace kavitro
