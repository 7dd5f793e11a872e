#pragma once

// The document services of the fuzz targets that build documents: every
// stored class registered once, and no thumbnails drawn (the readers skip
// them; drawing them would only slow the search).

#include "document/DocumentServices.h"
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

}  // namespace kavitro::fuzz
