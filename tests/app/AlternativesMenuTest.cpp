// The pictures of the alternatives popup: every candidate of a word is drawn
// whole, with no stroke cut at the picture's edge (first letters reaching
// right of the pen, tails and marks beyond the line), at the size its item
// is measured at.

#include <QImage>

#include <string_view>
#include <utility>

#include "app/AlternativesMenu.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/ProgramFolders.h"
#include "platform/qt/QtPainterDC.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/TypedAlternatives.h"

namespace kavitro {
namespace {

class AlternativesPictures : public test::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        // The artwork the program draws with.
        const std::filesystem::path artwork = GlyphArtworkFolderOf(QStringLiteral(KAVITRO_SHARE_DIR)).toStdString();
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(artwork, 0);
        CQtPainterDC::SetGlyphFontFolder(artwork / CCalligraphyFont::kFontsFolderName);
    }
};

TEST_F(AlternativesPictures, EveryCandidateIsDrawnWholeAtItsMeasuredSize) {
    // Initial yeh and kaf reach right of the pen; final yeh, noon, ain and
    // the cheh's dots reach below the line; kaf and lam above it.
    const std::u16string_view words[] = {u"یک", u"شکافت", u"بسم", u"گرچه", u"سینه", u"الله", u"ع", u"موی"};
    int candidates = 0;
    for (const std::u16string_view letters : words) {
        SCOPED_TRACE(QString::fromStdU16String(std::u16string(letters)).toStdString());
        const CCalligraphyParagraph alternatives = test::AlternativesOf(letters);
        ASSERT_FALSE(alternatives.m_words.empty());
        for (const CCalligraphyWord& word : alternatives.m_words) {
            ++candidates;
            const QImage picture = DrawAlternativeWord(word, Qt::black);
            ASSERT_EQ(picture.size(), MeasureAlternativeWord(word));
            int inked = 0, onEdge = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    if (qAlpha(picture.pixel(x, y)) == 0)
                        continue;
                    ++inked;
                    const bool edge = x == 0 || y == 0 || x == picture.width() - 1 || y == picture.height() - 1;
                    onEdge += edge ? 1 : 0;
                }
            EXPECT_GT(inked, picture.width()) << candidates;
            EXPECT_EQ(onEdge, 0) << "candidate " << candidates << " is cut at the edge";
        }
    }
    EXPECT_GT(candidates, static_cast<int>(std::size(words)));
}

}  // namespace
}  // namespace kavitro
