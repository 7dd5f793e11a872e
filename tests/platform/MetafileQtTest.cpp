// Metafiles drawn as pictures: the shared scene recorded into EMF and WMF and
// played through the player onto a QImage looks like the scene painted
// directly, glyphs of the generated fonts included.

#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtGui/QPainter>

#include <functional>

#include "platform/EmfRecorder.h"
#include "platform/MetafilePlayer.h"
#include "platform/WmfRecorder.h"
#include "platform/qt/QtPainterDC.h"
#include "tests/platform/DcScene.h"

namespace kavitro {
namespace {

class MetafileQtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
        SetMetafilePlayer(&s_player);
    }
    static void TearDownTestSuite() { SetMetafilePlayer(nullptr); }

    static QImage Paint(const std::function<void(CDC&)>& draw) {
        QImage image(scene::kDevicePixels, scene::kDevicePixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        draw(dc);
        return image;
    }

    // Pixels that differ by more than a little in any channel.
    static int Differences(const QImage& a, const QImage& b) {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                if (std::abs(qRed(p) - qRed(q)) > 48 || std::abs(qGreen(p) - qGreen(q)) > 48 ||
                    std::abs(qBlue(p) - qBlue(q)) > 48)
                    ++n;
            }
        return n;
    }

    static int Inked(const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        return n;
    }

    static inline CMetafilePlayer s_player;
};

TEST_F(MetafileQtTest, RecordedScenePlaysOntoAnImageLikeTheScenePaintedDirectly) {
    const QImage direct = Paint([](CDC& dc) { scene::Draw(dc, 0x41); });
    ASSERT_GT(Inked(direct), 5000);

    // The frame is the 200-pixel device of the 96-dpi reference: 5292
    // hundredths of a millimetre, rounded.
    CEmfRecorder emf;
    emf.SetFrame(Rect(0, 0, 5292, 5292));
    scene::Draw(emf, 0x41);
    const std::vector<std::uint8_t> emfBytes = emf.Close();
    CWmfRecorder wmf;
    scene::Draw(wmf, 0x41);
    const std::vector<std::uint8_t> wmfBytes = BuildPlaceableMetafile(wmf.Close(), Rect(0, 0, 200, 200), 96);

    for (const auto* bytes : {&emfBytes, &wmfBytes}) {
        const QImage played = Paint([&](CDC& dc) {
            EXPECT_TRUE(dc.PlayMetafile(*bytes, Rect(0, 0, scene::kDevicePixels, scene::kDevicePixels)));
        });
        // The same picture; an edge may fall a pixel apart.
        EXPECT_LT(Differences(direct, played), 40) << (bytes == &emfBytes ? "EMF" : "WMF");
    }
}

}  // namespace
}  // namespace kavitro
