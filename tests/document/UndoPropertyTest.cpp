// Random editing sessions: undoing every step gives back the saved bytes of
// the start, redoing every step the saved bytes of the end. The steps draw,
// move and restyle shapes, insert and change pictures, type and delete in
// texts, and copy and paste objects and words.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "DocumentFixture.h"
#include "PictureFixtures.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/MetafilePicture.h"
#include "tests/document/TextTestSupport.h"
#include "view/ClipboardFormat.h"

namespace kavitro {
namespace {

using test::Place;

class Session {
public:
    Session(CKavitroDoc& doc, test::TextView& view, std::uint32_t seed) : m_doc(&doc), m_view(view), m_random(seed) {}
    void SetDocument(CKavitroDoc& doc) { m_doc = &doc; }

    std::int32_t Between(std::int32_t lo, std::int32_t hi) {
        return std::uniform_int_distribution<std::int32_t>(lo, hi)(m_random);
    }

    CDrawObj* AnyObject() {
        auto& list = m_doc->m_objects.m_objects;
        if (list.empty()) return nullptr;
        auto it = list.begin();
        std::advance(it, Between(0, static_cast<std::int32_t>(list.size()) - 1));
        return *it;
    }

    CDrawPicture* AnyPicture() {
        std::vector<CDrawPicture*> pictures;
        for (CDrawObj* o : m_doc->m_objects.m_objects)
            if (auto* p = dynamic_cast<CDrawPicture*>(o)) pictures.push_back(p);
        return pictures.empty() ? nullptr
                                : pictures[static_cast<std::size_t>(Between(0, static_cast<std::int32_t>(pictures.size()) - 1))];
    }

    CDrawText* AnyText() {
        std::vector<CDrawText*> texts;
        for (CDrawObj* o : m_doc->m_objects.m_objects)
            if (auto* t = dynamic_cast<CDrawText*>(o)) texts.push_back(t);
        return texts.empty() ? nullptr
                             : texts[static_cast<std::size_t>(Between(0, static_cast<std::int32_t>(texts.size()) - 1))];
    }

    // A typed key as one step: a letter, a space, a backspace or a vowel sign.
    // A text left empty is typed on: the next add would purge it together
    // with every step naming it, and undo could not bring it back.
    void Type(CDrawText& text, std::uint32_t code) {
        m_view.m_selection = {&text};
        text.OnChar(&m_view, code);
        ++CObjectsBuffer::GetActionIdCounter();
        if (text.IsEmpty()) Type(text, u'ب');
    }
    std::uint32_t AnyKey() {
        static const std::u16string letters = u"ابپتسشکگلمنویهدر";
        const auto last = static_cast<std::int32_t>(letters.size()) - 1;
        switch (Between(0, 7)) {
            case 0: return u' ';
            case 1: return 8;
            case 2: return static_cast<std::uint32_t>(65430 + Between(0, 2));
            default: return letters[static_cast<std::size_t>(Between(0, last))];
        }
    }

    // A new text somewhere, with a letter or more typed into it (an empty
    // text is purged by the next add).
    void AddText() {
        CPolygonRect pr;
        pr.m_rect = Rect(Between(-20000, -1000), Between(-25000, -1000), 0, 0);
        auto* text = new CDrawText(pr, 0, m_doc);
        m_doc->Add(text, true);
        Type(*text, u'ب');
        for (int i = Between(0, 5); i > 0; --i) Type(*text, AnyKey());
    }

    // A run of words deleted from a text, as one step.
    void DeleteWords(CDrawText& text) {
        const auto words = static_cast<std::int32_t>(text.m_paragraph.m_words.size());
        if (words == 0) return;
        CTextComponentSelection run;
        run.m_firstWord = static_cast<std::uint16_t>(Between(0, words - 1));
        run.m_lastWord = static_cast<std::uint16_t>(std::min(run.m_firstWord + Between(0, 2), words - 1));
        m_doc->RecordModify(&text);
        text.SetCaretAfterWord(static_cast<std::uint32_t>(text.m_paragraph.DeleteSelection(run)));
        ++CObjectsBuffer::GetActionIdCounter();
        text.RecalcLayout(&m_view, false);
        if (text.IsEmpty()) Type(text, u'ب');
    }

    // Copies some objects in the private clipboard format.
    void Copy() {
        std::vector<CDrawObj*> chosen;
        for (int i = Between(1, 3); i > 0; --i)
            if (CDrawObj* o = AnyObject(); o && std::ranges::find(chosen, o) == chosen.end()) chosen.push_back(o);
        if (!chosen.empty()) m_clipboard = StoreObjectList(chosen);
    }

    // Pastes the copied objects, each a step of its own; or, when the copy
    // is one text and a text is being edited, its words at the caret as one
    // step of that text.
    void Paste() {
        if (m_clipboard.empty()) return;
        std::vector<std::unique_ptr<CDrawObj>> loaded =
            LoadObjectList(m_clipboard, m_doc, static_cast<std::uint32_t>(Between(0, 1)));
        std::erase_if(loaded, [](const std::unique_ptr<CDrawObj>& o) { return o->IsEmpty(); });
        auto* words = loaded.size() == 1 ? dynamic_cast<CDrawText*>(loaded.front().get()) : nullptr;
        CDrawText* target = AnyText();
        if (words && target && Between(0, 1)) {
            m_doc->RecordModify(target);
            target->m_paragraph.InsertWords(words->m_paragraph, target->m_nCaret);
            ++CObjectsBuffer::GetActionIdCounter();
            target->RecalcLayout(&m_view, true);
            return;
        }
        for (auto& o : loaded) m_doc->Add(o.release(), true);
    }

    // A non-empty zoomed position somewhere on the page.
    CPolygonRect RandomPlace() {
        CPolygonRect pr = Place(Between(-20000, -1000), Between(-25000, -1000), Between(200, 9000) * (Between(0, 1) ? 1 : -1),
                                Between(200, 9000) * (Between(0, 1) ? 1 : -1));
        m_doc->ZoomPolygonRect(pr);
        return pr;
    }

    void AddObject() {
        const std::uint32_t pages = m_doc->GetPageCount();
        const std::uint32_t page = Between(0, 3) == 0 ? (kEveryPageFlags | static_cast<std::uint32_t>(Between(0, 9)))
                                                      : static_cast<std::uint32_t>(Between(0, static_cast<std::int32_t>(pages) - 1));
        CDrawObj* obj;
        if (Between(0, 2) == 0) {
            obj = new CDrawLine(RandomPlace(), page, m_doc);
        } else {
            auto* r = new CDrawRect(RandomPlace(), page, m_doc);
            r->m_nShape = static_cast<std::uint32_t>(Between(0, 2));
            obj = r;
        }
        obj->m_logpen.width = Point{Between(0, 80), Between(0, 80)};
        obj->m_logbrush.color = static_cast<COLORREF>(Between(0, 0xFFFFFF));
        m_doc->Add(obj, true);
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
        switch (Between(0, 19)) {
            case 0: case 1:
                AddObject();
                return;
            case 2:
                if (CDrawObj* o = AnyObject()) m_doc->Remove(o, false);
                return;
            case 3:  // created and cancelled at once
                AddObject();
                m_doc->Remove(m_doc->m_objects.m_objects.back(), true);
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
                if (CDrawObj* o = AnyObject()) m_doc->ChangeZOrder(o, static_cast<std::uint32_t>(Between(0, 3)));
                return;
            case 7:
                if (auto* r = dynamic_cast<CDrawRect*>(AnyObject())) {
                    r->SetRoundness(Point{Between(0, 3000), Between(0, 3000)}, true);
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 8:
                m_doc->AddPage(0);
                return;
            case 9:  // the general property page: page field, pen and brush
                if (CDrawObj* o = AnyObject()) {
                    m_doc->RecordStyleChange(o);
                    o->m_nPage ^= kEveryPageFlags;
                    o->m_bPen = static_cast<std::uint32_t>(Between(0, 1));
                    o->m_logpen.width = Point{Between(0, 200), Between(0, 200)};
                    o->m_bBrush = static_cast<std::uint32_t>(Between(0, 1));
                    o->m_logbrush.color = static_cast<COLORREF>(Between(0, 0xFFFFFF));
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 10: {  // a picture inserted
                auto* picture = new CDrawPicture(RandomPlace(), 0, m_doc);
                picture->m_pDib = RandomRaster();
                picture->m_nPictureType = CDrawPicture::RasterPicture;
                m_doc->Add(picture, true);
                return;
            }
            case 11:  // a picture's content changed, raster or vector
                if (CDrawPicture* picture = AnyPicture()) {
                    if (Between(0, 1)) picture->ChangeDodavo(Vector(), nullptr);
                    else picture->ChangeDodavo(nullptr, RandomRaster());
                    ++CObjectsBuffer::GetActionIdCounter();
                }
                return;
            case 12:
                AddText();
                return;
            case 13: case 14: case 15:  // typing and deleting with keys
                if (CDrawText* text = AnyText()) {
                    const auto characters = static_cast<std::int32_t>(text->m_paragraph.GetCharacterCount());
                    if (Between(0, 2) == 0)  // the caret moves; no step of its own
                        text->m_paragraph.SetCaret(text->m_nCaret, Between(0, characters), false);
                    Type(*text, AnyKey());
                }
                return;
            case 16:
                if (CDrawText* text = AnyText()) DeleteWords(*text);
                return;
            case 17:  // a copy takes no step
                Copy();
                --m_steps;
                return;
            case 18:
                Paste();
                return;
            default:  // the zoom is no part of the file; undo must not depend on it
                m_doc->SetZoom(Between(10, 800));
                --m_steps;
                return;
        }
    }

    int m_steps = 0;

private:
    CKavitroDoc* m_doc;
    test::TextView& m_view;
    std::mt19937 m_random;
    std::vector<std::uint8_t> m_clipboard;
};

using UndoProperty = test::TextDocumentFixture;

TEST_F(UndoProperty, UndoAllGivesTheStartRedoAllTheEnd) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        doc->RemoveView(&view);
        doc = test::NewDocument(services.services);
        doc->AddView(&view);
        Session session(*doc, view, seed);
        // The start: shapes and a text, as opened from a file.
        doc->m_objects.m_bRecordingOff = 1;
        for (int i = 0; i < 5; ++i) session.AddObject();
        session.AddText();
        const std::vector<std::uint8_t> start = doc->StoreToBytes();
        doc->RemoveView(&view);
        doc = test::NewDocument(services.services);
        std::string error;
        ASSERT_TRUE(doc->LoadFromBytes(start, "start.kv2", &error)) << error;
        doc->AddView(&view);
        ASSERT_EQ(doc->StoreToBytes(), start);
        session.SetDocument(*doc);

        for (int i = 0; i < 60; ++i) session.Step();
        const std::vector<std::uint8_t> end = doc->StoreToBytes();

        int undone = 0;
        while (doc->UndoRedo(true, &view)) ++undone;
        EXPECT_TRUE(doc->m_objects.m_undo.empty()) << seed;
        EXPECT_EQ(doc->StoreToBytes(), start) << "seed " << seed;
        int redone = 0;
        while (doc->UndoRedo(false, &view)) ++redone;
        EXPECT_EQ(redone, undone) << seed;
        EXPECT_EQ(doc->StoreToBytes(), end) << "seed " << seed;
    }
}

}  // namespace
}  // namespace kavitro
