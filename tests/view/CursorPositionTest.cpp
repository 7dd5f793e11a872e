// The pointer's position for the status bar, through the language pack's
// position format and unit texts.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "../document/DocumentFixture.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro {
namespace {

struct MapStrings final : StringTable {
    std::map<std::uint32_t, std::u16string> texts;
    std::u16string GetString(std::uint32_t id) const override {
        const auto it = texts.find(id);
        return it == texts.end() ? std::u16string() : it->second;
    }
};

TEST(CursorPosition, ShowsTheDocumentPointInTheUnitOfTheMapping) {
    MapStrings strings;
    strings.texts = {{11006, u"1X: %.2f %s Y: %.2f %s"},
                     {11007, u"2%.1f %s"},
                     {11008, u"3%.1f %s"},
                     {11009, u"9%.1f"},
                     {11013, u"mm"},
                     {11014, u"in"}};
    test::TestServices env;
    env.services.strings = &strings;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    RecordingViewHost host;
    CKavitroView view(*doc, host);
    view.UpdateScrollSizes();
    using A = CursorPositionText::Argument;
    struct Case {
        std::uint32_t stringId;
        std::int32_t mapMode;
        std::optional<CursorPositionText> expected;  // for the point (-12.34 mm, -56.78 mm)
    };
    const Case cases[] = {
        {11006, 3,
         CursorPositionText{u" X: %.2f %s Y: %.2f %s",
                            {A{12.34, {}, false}, A{0, u"mm", true}, A{56.78, {}, false}, A{0, u"mm", true}}}},
        {11007, 3, CursorPositionText{u" %.1f %s", {A{56.78, {}, false}, A{0, u"mm", true}}}},
        {11008, 5, CursorPositionText{u" %.1f %s", {A{12.34, {}, false}, A{0, u"in", true}}}},
        {11009, 3, std::nullopt},  // an unknown layout shows nothing
        {11010, 3, std::nullopt},  // nor does a missing string
    };
    for (const int zoom : {10, 100, 5000}) {
        view.SetZoom(zoom, Point{-1234, -5678});
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.stringId << " at " << zoom);
            doc->m_nMapMode = c.mapMode;
            const Point client = view.DocToClient(Point{doc->Zoomed(-1234), doc->Zoomed(-5678)});
            const std::optional<CursorPositionText> text = view.FormatCursorPosition(c.stringId, client);
            doc->m_nMapMode = 3;
            ASSERT_EQ(text.has_value(), c.expected.has_value());
            if (!text)
                continue;
            EXPECT_EQ(text->format, c.expected->format);
            ASSERT_EQ(text->arguments.size(), c.expected->arguments.size());
            // Within the pointer's pixel: 0.01 mm at 96 dpi is 0.26 mm a pixel at 100 %.
            const double pixel = 0.27 * 100 / zoom;
            for (std::size_t i = 0; i < text->arguments.size(); ++i) {
                EXPECT_EQ(text->arguments[i].isUnit, c.expected->arguments[i].isUnit) << i;
                EXPECT_EQ(text->arguments[i].unit, c.expected->arguments[i].unit) << i;
                EXPECT_NEAR(text->arguments[i].number, c.expected->arguments[i].number, pixel) << i;
            }
        }
    }
}

}  // namespace
}  // namespace kavitro
