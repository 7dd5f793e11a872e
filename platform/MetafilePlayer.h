#pragma once

// Plays a parsed metafile (see Metafile.h) onto any drawing context.
//
// Fitted into a destination rectangle, as pictures are drawn: an enhanced
// metafile's frame, and a Windows metafile's window (the placeable box, or
// its own window records), is mapped onto the rectangle; the metafile's own
// mapping records steer that mapping and never reach the context, whose
// state is saved before and restored after. Pens, fonts and corners scale
// with the picture.
//
// As recorded, for checking the recorders: every record becomes the call it
// was recorded from, mapping records included, with no saving around it.
//
// The context has no Bézier curves, poly-polygons or path filling; the
// player draws Béziers as polylines (16 segments per curve), and fills a
// poly-polygon or a path's figures as one polygon joined through bridges
// (holes stay holes under both fill rules) before stroking each outline.
// Clip exclusion is not drawn.

#include <cstdint>
#include <span>

#include "platform/DC.h"
#include "platform/Metafile.h"

namespace kavitro {

// False when the destination or the metafile's frame is empty.
bool PlayMetafileInto(CDC& dc, const Metafile& metafile, const Rect& destination);
void PlayMetafileAsRecorded(CDC& dc, const Metafile& metafile);

// The player the drawing contexts use for PlayMetafile: parses the bytes and
// plays them fitted; false for bytes that do not parse.
class CMetafilePlayer : public IMetafilePlayer {
public:
    bool Play(CDC& dc, std::span<const std::uint8_t> metafile, const Rect& destination) override;
};

}  // namespace kavitro
