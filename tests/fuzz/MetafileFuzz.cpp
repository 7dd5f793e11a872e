// The metafile reader: ParseMetafile (EMF, placeable and plain WMF) and the
// player, as recorded and fitted into a rectangle.
//
// Beyond "no crash": every record of the model refers only to objects,
// slots and bitmaps that exist and its point counts add up; whatever the
// player draws into our own EMF and WMF recorders comes out as metafiles
// that parse again with no record dropped.

#include <numeric>

#include "FuzzSupport.h"
#include "platform/EmfRecorder.h"
#include "platform/LittleEndian.h"
#include "platform/Metafile.h"
#include "platform/MetafileFormat.h"
#include "platform/MetafilePlayer.h"
#include "platform/SpyDC.h"
#include "platform/WmfRecorder.h"
#include "tests/support/EmfBuilder.h"

namespace kavitro::fuzz {
namespace {

void CheckModel(const Metafile& mf) {
    for (const MetaRecord& rec : mf.records) {
        switch (rec.op) {
            case MetaOp::CreateObject:
                KAVITRO_FUZZ_CHECK(rec.object < mf.objects.size());
                [[fallthrough]];
            case MetaOp::SelectObject:
            case MetaOp::DeleteObject:
                KAVITRO_FUZZ_CHECK(static_cast<std::uint32_t>(rec.v[0]) < mf.handleCount);
                break;
            case MetaOp::StretchDib:
            case MetaOp::SetDibits: KAVITRO_FUZZ_CHECK(rec.object < mf.dibs.size()); break;
            case MetaOp::PolyPolygon:
            case MetaOp::PolyPolyline:
                KAVITRO_FUZZ_CHECK(std::accumulate(rec.counts.begin(), rec.counts.end(), std::uint64_t{0}) ==
                                   rec.points.size());
                break;
            default: break;
        }
    }
}

void CheckRecorded(const std::vector<std::uint8_t>& bytes) {
    const auto again = ParseMetafile(bytes);
    KAVITRO_FUZZ_CHECK(again.has_value());
    KAVITRO_FUZZ_CHECK(again->skippedRecords == 0);
}

void FuzzMetafile(std::span<const std::uint8_t> input) {
    const std::optional<Metafile> mf = ParseMetafile(input);
    if (!mf) return;
    CheckModel(*mf);

    CSpyDC spy;
    PlayMetafileAsRecorded(spy, *mf);
    CSpyDC fitted;
    PlayMetafileInto(fitted, *mf, Rect(-500, 700, 1500, -300));

    CEmfRecorder emf;
    PlayMetafileInto(emf, *mf, Rect(0, 0, 2000, 1000));
    CheckRecorded(emf.Close());
    CWmfRecorder wmf;
    PlayMetafileInto(wmf, *mf, Rect(0, 0, 2000, 1000));
    CheckRecorded(wmf.Close());
}

// Records the recorders never write, so that the seeds reach the parser's
// other branches: a filled path of Bézier curves, a poly-polygon, an
// extended pen, a saved state, one-byte text.
Bytes HandMadeEmf() {
    return test::EmfBuilder()
        .Record(emr::kSaveDc, {})
        .Record(emr::kExtCreatePen, {1, 0, 0, 0, 0, 0x00010000, 30, BS_SOLID, 0x0000FF, 0, 0})
        .Record(emr::kSelectObject, {1})
        .Record(emr::kBeginPath, {})
        .Record(emr::kMoveToEx, {10, 10})
        .Record(emr::kPolyBezierTo16, {0, 0, 0, 0, 3, 0x00000064, 0x00640064, 0x00640000})
        .Record(emr::kLineTo, {10, 50})
        .Record(emr::kCloseFigure, {})
        .Record(emr::kEndPath, {})
        .Record(emr::kStrokeAndFillPath, {0, 0, 0, 0})
        .Record(emr::kPolyPolygon16,
                {0, 0, 0, 0, 2, 6, 3, 3, 0, 0x000A0000, 0x0000000A, 0x00140014, 0x001E0014, 0x0014001E})
        .Record(emr::kPolyBezier16, {0, 0, 0, 0, 4, 0, 0x00100010, 0x00200000, 0x00300030})
        .Record(emr::kRestoreDc, {static_cast<std::uint32_t>(-1)})
        // ExtTextOutA "AB" at (5, 5).
        .Record(emr::kExtTextOutA, {0, 0, 0, 0, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 0, 0, 80, 0x4241, 0, 0})
        .Build(2, true, emr::kBaseHeaderSize);
}

void DrawSample(CDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({4000, -4000});
    dc.SetViewportExt({400, 400});
    dc.SaveDC();
    dc.SelectPen(MakePen({PS_DASHDOT, {20, 20}, RGB(255, 0, 0)}));
    dc.SelectBrush(MakeBrush({BS_HATCHED, RGB(0, 128, 0), HS_DIAGCROSS}));
    dc.Ellipse(Rect(100, -100, 900, -700));
    dc.RoundRect(Rect(1000, -100, 1900, -700), {200, 200});
    const Point triangle[] = {{100, -900}, {900, -900}, {500, -1500}};
    dc.Polygon(triangle);
    dc.Polyline(triangle);
    dc.RestoreDC(-1);
    dc.IntersectClipRect(Rect(0, 0, 3000, -3000));
    dc.MoveTo({0, 0});
    dc.LineTo({3000, -3000});
    dc.FillSolidRect(Rect(2000, -2000, 2500, -2500), RGB(255, 255, 0));
    dc.InvertRect(Rect(2000, -2000, 2100, -2100));
    DibImage dib = *DibImage::Create(3, 2, 8);
    dc.StretchDIBits(Rect(100, -2000, 400, -2300), Rect(0, 0, 3, 2), dib);
    dc.SetDIBitsToDevice({500, -2000}, dib);
    LogFont font;
    font.height = -300;
    font.charSet = SYMBOL_CHARSET;
    font.faceName = "Vorl24";
    dc.SelectFont(MakeFont(font));
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc.ExtTextOut(1500, -3500, ETO_CLIPPED, nullptr, u"\uF041\uF042");
    dc.ExtTextOutA(1800, -3500, 0, nullptr, "C");
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    std::vector<fuzz::Bytes> seeds;
    CEmfRecorder emf;
    emf.SetDescription(u"Kavitro Export");
    fuzz::DrawSample(emf);
    seeds.push_back(emf.Close());
    CWmfRecorder wmf;
    fuzz::DrawSample(wmf);
    const fuzz::Bytes plain = wmf.Close();
    seeds.push_back(plain);
    seeds.push_back(BuildPlaceableMetafile(plain, Rect(0, 0, 400, 400), 96));
    seeds.push_back(fuzz::HandMadeEmf());
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzMetafile)
