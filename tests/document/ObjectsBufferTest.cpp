#include "document/ObjectsBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "DocumentFixture.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;
using CAction = CObjectsBuffer::CAction;

std::vector<CDrawObj*> Order(const CKavitroDoc& doc) {
    return {doc.m_objects.m_objects.begin(), doc.m_objects.m_objects.end()};
}

class UndoTest : public ::testing::Test {
protected:
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    DefaultDocumentView view;
    void SetUp() override { doc->AddView(&view); }
    void TearDown() override { doc->RemoveView(&view); }
};

TEST_F(UndoTest, AddRemoveAndTheirUndoKeepZOrder) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 200, 100));
    CDrawRect* c = AddRect(*doc, Place(0, 0, 300, 100));
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{a, b, c}));
    EXPECT_TRUE(doc->IsModified());

    doc->Remove(b, false);
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{a, c}));
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{a, b, c}));
    EXPECT_TRUE(view.IsSelected(*b));
    ASSERT_TRUE(doc->UndoRedo(false, &view));
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{a, c}));

    // Undo the removal, then the three adds; redo all.
    doc->UndoRedo(true, &view);
    for (int i = 0; i < 3; ++i) doc->UndoRedo(true, &view);
    EXPECT_TRUE(doc->m_objects.m_objects.empty());
    EXPECT_FALSE(doc->UndoRedo(true, &view));  // nothing left
    for (int i = 0; i < 3; ++i) doc->UndoRedo(false, &view);
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{a, b, c}));
    // The replay asks the document frame to show the page, keeping the selection.
    const auto shows = env.notifier.PostedOf(NotifyMessage::ShowPage);
    ASSERT_FALSE(shows.empty());
    EXPECT_EQ(shows.back().target, 2u);
    EXPECT_EQ(shows.back().wParam, 0xFFFFFFFFu);  // ~page 0
}

TEST_F(UndoTest, UndoOfRemovalWhoseNeighbourWasDeletedGoesOnTop) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 200, 100));
    CDrawRect* c = AddRect(*doc, Place(0, 0, 300, 100));
    doc->Remove(b, false);      // remembers a below it
    doc->DeleteObject(a);       // for good: also forgets a as b's neighbour
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(Order(*doc), (std::vector<CDrawObj*>{c, b}));
}

TEST_F(UndoTest, DiscardCancelsOnlyTheObjectsOwnAdd) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 100, 100));
    const std::size_t before = doc->m_objects.m_undo.size();
    doc->Remove(b, true);  // the newest action is b's add: cancelled
    EXPECT_EQ(doc->m_objects.m_undo.size(), before - 1);
    // a's add is not the newest action: the removal is recorded instead.
    AddRect(*doc, Place(0, 0, 100, 100));
    doc->Remove(a, true);
    EXPECT_EQ(doc->m_objects.m_undo.back()->m_nKind, CAction::RemoveObject);
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(doc->m_objects.m_objects.front(), a);
}

TEST_F(UndoTest, OneGroupPerStepAndFirstSnapshotWins) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(200, 0, 100, 100));
    // One step moving both objects twice.
    for (int step = 1; step <= 2; ++step) {
        a->MoveTo(Place(10 * step, 0, 100, 100), nullptr, true);
        b->MoveTo(Place(200 + 10 * step, 0, 100, 100), nullptr, true);
    }
    ++CObjectsBuffer::GetActionIdCounter();
    EXPECT_EQ(doc->m_objects.m_undo.size(), 4u);  // two adds, two positions
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(a->m_position.m_rect, Rect(0, 0, 100, 100));
    EXPECT_EQ(b->m_position.m_rect, Rect(200, 0, 300, 100));
    ASSERT_TRUE(doc->UndoRedo(false, &view));
    EXPECT_EQ(a->m_position.m_rect, Rect(20, 0, 120, 100));
    // Moving to the same place records nothing.
    const std::size_t n = doc->m_objects.m_undo.size();
    a->MoveTo(a->BuildZoomedPosition(), nullptr, true);
    EXPECT_EQ(doc->m_objects.m_undo.size(), n);
}

TEST_F(UndoTest, NewChangeClearsRedoAndFreesUndoneAdds) {
    AddRect(*doc, Place(0, 0, 100, 100));
    AddRect(*doc, Place(0, 0, 100, 100));
    doc->UndoRedo(true, &view);
    EXPECT_EQ(doc->m_objects.m_redo.size(), 1u);
    AddLine(*doc, Place(0, 0, 100, 100));  // the undone rectangle is freed (ASan checks)
    EXPECT_TRUE(doc->m_objects.m_redo.empty());
}

TEST_F(UndoTest, AddingPurgesEmptyObjectsAlsoFromTheLists) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawLine* flat = AddLine(*doc, Place(0, 0, 100, 0));  // a horizontal line is empty
    flat->MoveTo(Place(0, 50, 100, 0), nullptr, true);
    ++CObjectsBuffer::GetActionIdCounter();
    view.AddToSelection(*a);
    AddRect(*doc, Place(0, 0, 100, 100));
    EXPECT_EQ(doc->m_objects.m_objects.size(), 2u);
    for (const auto& act : doc->m_objects.m_undo) EXPECT_NE(act->m_pObject, static_cast<CDrawObj*>(flat));
    EXPECT_TRUE(view.m_selection.empty());
    EXPECT_FALSE(env.notifier.PostedOf(NotifyMessage::SelectionChanged).empty());
}

// An add looks only at the objects that may have become empty since the
// previous add; every way an object becomes empty must still get it purged.
TEST_F(UndoTest, AddingPurgesObjectsHoweverTheyBecameEmpty) {
    struct Case {
        const char* name;
        // Leaves an empty object in the document after an add that found
        // it full, and gives it.
        CDrawObj* (*empty)(CKavitroDoc& doc, DefaultDocumentView& view);
    };
    const Case cases[] = {
        {"a recorded change", [](CKavitroDoc& doc, DefaultDocumentView&) -> CDrawObj* {
             CDrawRect* r = AddRect(doc, Place(0, 0, 100, 100));
             AddRect(doc, Place(0, 0, 100, 100));
             r->MoveTo(Place(0, 0, 100, 0), nullptr, true);
             ++CObjectsBuffer::GetActionIdCounter();
             return r;
         }},
        {"an undone change", [](CKavitroDoc& doc, DefaultDocumentView& view) -> CDrawObj* {
             CDrawRect* r = AddRect(doc, Place(0, 0, 100, 0));
             r->MoveTo(Place(0, 0, 100, 100), nullptr, true);
             ++CObjectsBuffer::GetActionIdCounter();
             AddRect(doc, Place(0, 0, 100, 100));
             doc.UndoRedo(true, &view);
             doc.UndoRedo(true, &view);  // back to its flat start
             return r;
         }},
        {"a change in the step still open", [](CKavitroDoc& doc, DefaultDocumentView&) -> CDrawObj* {
             CDrawRect* r = AddRect(doc, Place(0, 0, 100, 100));
             r->MoveTo(Place(0, 0, 100, 50), nullptr, true);
             doc.Add(new CDrawRect(Place(0, 0, 100, 100), 0, &doc), false);  // same step: r was full
             r->MoveTo(Place(0, 0, 100, 0), nullptr, true);  // already recorded in this step
             return r;
         }},
        {"a loaded file", [](CKavitroDoc& doc, DefaultDocumentView&) -> CDrawObj* {
             test::TestServices env;
             auto saved = test::NewDocument(env.services);
             saved->m_objects.m_bRecordingOff = 1;
             AddRect(*saved, Place(0, 0, 100, 0));
             const std::vector<std::uint8_t> bytes = saved->StoreToBytes();
             EXPECT_TRUE(doc.LoadFromBytes(bytes, "flat.kv2", nullptr));
             return doc.m_objects.m_objects.front();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestServices env;
        auto document = test::NewDocument(env.services);
        DefaultDocumentView watcher;
        document->AddView(&watcher);
        CDrawObj* empty = c.empty(*document, watcher);
        ASSERT_TRUE(empty->IsEmpty());
        ASSERT_TRUE(document->m_objects.Contains(empty));
        CDrawRect* added = AddRect(*document, Place(0, 0, 100, 100));
        EXPECT_FALSE(document->m_objects.Contains(empty));
        EXPECT_TRUE(document->m_objects.Contains(added));
        for (const auto& a : document->m_objects.m_undo) EXPECT_NE(a->m_pObject, empty);
        document->RemoveView(&watcher);
    }
}

TEST_F(UndoTest, AddPageUndoShowsTheLastPage) {
    doc->AddPage(77);
    EXPECT_EQ(doc->GetPageCount(), 2u);
    env.notifier.Clear();
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(doc->GetPageCount(), 1u);
    const auto shows = env.notifier.PostedOf(NotifyMessage::ShowPage);
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].target, 77u);
    EXPECT_EQ(shows[0].wParam, 0u);
    EXPECT_EQ(shows[0].lParam, 1);
}

TEST_F(UndoTest, ZOrderModesAndTheirUndo) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* c = AddRect(*doc, Place(0, 0, 100, 100));
    struct Case { CDrawObj* obj; std::uint32_t mode; std::vector<CDrawObj*> expect; };
    const Case cases[] = {
        {c, 0, {a, c, b}}, {a, 1, {c, a, b}}, {b, 2, {b, c, a}}, {b, 3, {c, a, b}},
    };
    for (const Case& k : cases) {
        const std::vector<CDrawObj*> before = Order(*doc);
        doc->ChangeZOrder(k.obj, k.mode);
        EXPECT_EQ(Order(*doc), k.expect) << k.mode;
        doc->UndoRedo(true, &view);
        EXPECT_EQ(Order(*doc), before) << k.mode;
        doc->UndoRedo(false, &view);
        EXPECT_EQ(Order(*doc), k.expect) << k.mode;
    }
    CDrawRect stranger;
    EXPECT_THROW(doc->ChangeZOrder(&stranger, 0), InvalidArgumentException);
}

TEST_F(UndoTest, RoundnessUndoKeepsTheValueAt100Percent) {
    CDrawRect* r = AddRect(*doc, Place(0, 0, 4000, 4000), 0, CDrawRect::RoundRectangle);
    doc->SetZoom(300);
    r->SetRoundness(Point{600, 900}, true);
    ++CObjectsBuffer::GetActionIdCounter();
    EXPECT_EQ(r->m_roundness, (Point{200, 300}));
    doc->SetZoom(100);
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(r->m_roundness, (Point{500, 500}));
    ASSERT_TRUE(doc->UndoRedo(false, &view));
    EXPECT_EQ(r->m_roundness, (Point{200, 300}));
}

TEST_F(UndoTest, AGroupThatCannotApplyWholeChangesNothing) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 100, 100));
    // A hand-made group whose second action names an object that is gone.
    const std::uint32_t g = CObjectsBuffer::GetActionIdCounter();
    doc->ChangeZOrder(a, 3);
    auto bad = std::make_unique<CAction>(g + 1, CAction::ChangeZOrder, b);
    doc->m_objects.m_undo.back()->m_nGroup = g + 1;
    doc->m_objects.m_objects.remove(b);
    doc->m_objects.m_undo.push_back(std::move(bad));
    const std::vector<CDrawObj*> before = Order(*doc);
    EXPECT_FALSE(doc->UndoRedo(true, &view));
    EXPECT_EQ(Order(*doc), before);
    EXPECT_EQ(doc->m_objects.m_undo.size(), 4u);
    doc->m_objects.m_undo.pop_back();
    delete b;
}

TEST_F(UndoTest, DeletingAGuideDropsItsActions) {
    CDrawGuideLine* g = doc->AddGuideline(&view, 1, -500);
    g->MoveTo(Place(-700, 0, -100, -27940), &view, true);
    ++CObjectsBuffer::GetActionIdCounter();
    ASSERT_EQ(doc->m_objects.m_undo.back()->m_pObject, g);
    EXPECT_TRUE(doc->DeleteObject(g));
    EXPECT_TRUE(doc->m_guideLines.empty());
    for (const auto& act : doc->m_objects.m_undo) EXPECT_NE(act->m_pObject, static_cast<CDrawObj*>(g));
    EXPECT_TRUE(doc->m_objects.m_undo.empty());
}

}  // namespace
}  // namespace kavitro
