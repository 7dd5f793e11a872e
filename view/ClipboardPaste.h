#pragma once

// What a paste or a drop inserts from clipboard or drag data, in the order
// of preference: the private format (objects), Unicode text (into the one
// selected text object, through the keyboard translation), a metafile
// (EMF, then placeable WMF) or an image (PNG, BMP or any image Qt reads) as a
// picture object.
//
// Every step that can fail runs before the document changes: the objects
// are loaded whole into a list of their own, a picture is decoded first, so
// a failure adds nothing.

#include <memory>
#include <optional>

#include "platform/Geometry.h"

class QMimeData;

namespace kavitro {

class CDib;
class CKavitroView;
class CMetafilePicture;

enum class PasteKind { None, Objects, Text, Metafile, Image };

// The kind a paste of the data takes in the view: text only when exactly one
// text object is selected, or, for a drop, when nothing else is offered (it
// then goes into new text objects).
PasteKind ClassifyPaste(const QMimeData& data, const CKavitroView& view, bool drop = false);

// Pastes into the view; with a drop point (client pixels) the inserted
// objects are centred on it and never merged into a selected text. True when
// something was inserted. Load and decode failures raise their exceptions
// with the document unchanged.
bool PasteData(CKavitroView& view, const QMimeData& data, std::optional<Point> dropPoint = std::nullopt);

// Adds a decoded picture (vector or raster) as a picture object of its
// natural size (fitted into the page), centred on the drop point or on the
// middle of the client area, and selects it.
bool InsertPicture(CKavitroView& view, std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster,
                   std::optional<Point> dropPoint);

}  // namespace kavitro
