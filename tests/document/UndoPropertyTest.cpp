// Random editing sessions: undoing every step gives back the saved bytes of
// the start, redoing every step the saved bytes of the end.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "DocumentFixture.h"
#include "PictureFixtures.h"
#include "document/DrawPicture.h"
#include "document/MetafilePicture.h"

namespace kavitro {
namespace {

using test::Place;

class Session {
public:
    Session(CKavitroDoc& doc, std::uint32_t seed) : m_doc(doc), m_random(seed) {}

    std::int32_t Between(std::int32_t lo, std::int32_t hi) {
        return std::uniform_int_distribution<std::int32_t>(lo, hi)(m_random);
    }

    CDrawObj* AnyObject() {
        auto& list = m_doc.m_objects.m_objects;
        if (list.empty()) return nullptr;
        auto it = list.begin();
        std::advance(it, Between(0, static_cast<std::int32_t>(list.size()) - 1));
        return *it;
    }

    CDrawPicture* AnyPicture() {
        std::vector<CDrawPicture*> pictures;
        for (CDrawObj* o : m_doc.m_objects.m_objects)
            if (auto* p = dynamic_cast<CDrawPicture*>(o)) pictures.push_back(p);
        return pictures.empty() ? nullptr
                                : pictures[static_cast<std::size_t>(Between(0, static_cast<std::int32_t>(pictures.size()) - 1))];
    }

    // A non-empty zoomed position somewhere on the page.
    CPolygonRect RandomPlace() {
        CPolygonRect pr = Place(Between(-20000, -1000), Between(-25000, -1000), Between(200, 9000) * (Between(0, 1) ? 1 : -1),
                                Between(200, 9000) * (Between(0, 1) ? 1 : -1));
        m_doc.ZoomPolygonRect(pr);
        return pr;
    }

    void AddObject() {
        const std::uint32_t pages = m_doc.GetPageCount();
        const std::uint32_t page = Between(0, 3) == 0 ? (kEveryPageFlags | static_cast<std::uint32_t>(Between(0, 9)))
                                                      : static_cast<std::uint32_t>(Between(0, static_cast<std::int32_t>(pages) - 1));
        CDrawObj* obj;
        if (Between(0, 2) == 0) {
            obj = new CDrawLine(RandomPlace(), page, &m_doc);
        } else {
            auto* r = new CDrawRect(RandomPlace(), page, &m_doc);
            r->m_nShape = static_cast<std::uint32_t>(Between(0, 2));
            obj = r;
        }
        obj->m_logpen.width = Point{Between(0, 80), Between(0, 80)};
        obj->m_logbrush.color = static_cast<COLORREF>(Between(0, 0xFFFFFF));
        m_doc.Add(obj, true);
    }

    std::unique_ptr<CDib> RandomRaster() {
        auto dib = std::make_unique<CDib>();
        dib->SetDib(test::MakeDib(Between(1, 24), Between(1, 24), Between(0, 1) ? 24 : 8));
        return dib;
    }
    static std::unique_ptr<CMetafilePicture> Vector() {
        auto picture = std::make_unique<CMetafilePicture>();
        picture->SetEmfBits(test::RecordedEmf());
        return picture;
    }

    void Step() {
        ++m_steps;
        switch (Between(0, 12)) {
            case 0: case 1:
                AddObject();
                return;
            case 2:
                if (CDrawObj* o = AnyObject()) m_doc.Remove(o, false);
                return;
            case 3:  // created and cancelled at once
                AddObject();
                m_doc.Remove(m_doc.m_objects.m_objects.back(), true);
                return;
            case 4: {  // move one or two objects in one step
                for (int i = Between(1, 2); i > 0; --i)
                    if (CDrawObj* o = AnyObject()) {
                        CPolygonRect pr = o->BuildZoomedPosition();
                        pr.m_rect.OffsetRect(Between(-500, 500), Between(-500, 500));
                        pr.SetAngle(pr.m_nAngle);
                        o->MoveTo(pr, nullptr, true);
                    }
                ++CObjectsBuffer::GetActionIdCounter();
                return;
            }
            case 5:
                if (CDrawObj* o = AnyObject()) {
                    CPolygonRect pr = o->BuildZoomedPosition();
                    const Point pivot{Between(-20000, 0), Between(-20000, 0)};
                    pr.SetAngle(Between(-720, 720), &pivot);
                    o->MoveTo(pr, nullptr, true);
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 6:
                if (CDrawObj* o = AnyObject()) m_doc.ChangeZOrder(o, static_cast<std::uint32_t>(Between(0, 3)));
                return;
            case 7:
                if (auto* r = dynamic_cast<CDrawRect*>(AnyObject())) {
                    r->SetRoundness(Point{Between(0, 3000), Between(0, 3000)}, true);
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 8:
                m_doc.AddPage(0);
                return;
            case 9:  // the general property page: page field, pen and brush
                if (CDrawObj* o = AnyObject()) {
                    m_doc.RecordStyleChange(o);
                    o->m_nPage ^= kEveryPageFlags;
                    o->m_bPen = static_cast<std::uint32_t>(Between(0, 1));
                    o->m_logpen.width = Point{Between(0, 200), Between(0, 200)};
                    o->m_bBrush = static_cast<std::uint32_t>(Between(0, 1));
                    o->m_logbrush.color = static_cast<COLORREF>(Between(0, 0xFFFFFF));
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 10: {  // a picture inserted
                auto* picture = new CDrawPicture(RandomPlace(), 0, &m_doc);
                picture->m_pDib = RandomRaster();
                picture->m_nPictureType = CDrawPicture::RasterPicture;
                m_doc.Add(picture, true);
                return;
            }
            case 11:  // a picture's content changed, raster or vector
                if (CDrawPicture* picture = AnyPicture()) {
                    if (Between(0, 1)) picture->ChangeDodavo(Vector(), nullptr);
                    else picture->ChangeDodavo(nullptr, RandomRaster());
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            default:  // the zoom is no part of the file; undo must not depend on it
                m_doc.SetZoom(Between(10, 800));
                --m_steps;
                return;
        }
    }

    int m_steps = 0;

private:
    CKavitroDoc& m_doc;
    std::mt19937 m_random;
};

TEST(UndoProperty, UndoAllGivesTheStartRedoAllTheEnd) {
    test::TestServices env;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        auto doc = test::NewDocument(env.services);
        Session session(*doc, seed);
        // A start state that is not recorded.
        doc->m_objects.m_bRecordingOff = 1;
        for (int i = 0; i < 5; ++i) session.AddObject();
        doc->m_objects.m_bRecordingOff = 0;
        ++CObjectsBuffer::GetActionIdCounter();
        const std::vector<std::uint8_t> start = doc->StoreToBytes();

        for (int i = 0; i < 40; ++i) session.Step();
        const std::vector<std::uint8_t> end = doc->StoreToBytes();

        int undone = 0;
        while (doc->UndoRedo(true, nullptr)) ++undone;
        EXPECT_TRUE(doc->m_objects.m_undo.empty()) << seed;
        EXPECT_EQ(doc->StoreToBytes(), start) << "seed " << seed;
        int redone = 0;
        while (doc->UndoRedo(false, nullptr)) ++redone;
        EXPECT_EQ(redone, undone) << seed;
        EXPECT_EQ(doc->StoreToBytes(), end) << "seed " << seed;
    }
}

}  // namespace
}  // namespace kavitro
