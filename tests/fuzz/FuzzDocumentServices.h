#pragma once

// What the fuzz targets that build documents share: the document services
// (every stored class registered once, and no thumbnails drawn: the readers
// skip them, drawing them would only slow the search), the check that a
// refused file changes nothing, and that a loaded one stores stably.

#include <cstdint>
#include <span>
#include <string>

#include "FuzzSupport.h"
#include "document/DocumentServices.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"

namespace kavitro::fuzz {

inline DocumentServices& FuzzDocumentServices() {
    static DocumentServices services = [] {
        RegisterDocumentClasses();
        DocumentServices s = DocumentServices::Defaults();
        s.drawThumbnails = false;
        return s;
    }();
    return services;
}

// Loads `input` into `doc`, a new document given a page size of its own
// first, and tells whether it loaded. A refused file must say why and leave
// the document as it was: no objects, the same page size, one page.
template <class Document>
bool LoadsOrLeavesAsItWas(Document& doc, std::span<const std::uint8_t> input, const char* name) {
    doc.m_nPageWidth = 1000;
    doc.m_nPageHeight = 2000;
    std::string error;
    if (doc.LoadFromBytes(input, name, &error))
        return true;
    KAVITRO_FUZZ_CHECK(!error.empty());
    KAVITRO_FUZZ_CHECK(doc.m_objects.m_objects.empty());
    KAVITRO_FUZZ_CHECK(doc.m_nPageWidth == 1000 && doc.m_nPageHeight == 2000 && doc.GetPageCount() == 1);
    return false;
}

// A loaded document stored as a version-2 file: the file loads, and stores
// to the same bytes again.
inline void CheckStoredFileIsStable(CKavitroDoc& doc) {
    const Bytes stored = doc.StoreToBytes();
    CKavitroDoc again(FuzzDocumentServices());
    std::string error;
    KAVITRO_FUZZ_CHECK(again.LoadFromBytes(stored, "again.kv2", &error));
    KAVITRO_FUZZ_CHECK(again.StoreToBytes() == stored);
}

}  // namespace kavitro::fuzz
