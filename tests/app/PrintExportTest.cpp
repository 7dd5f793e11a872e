// The shell's export and page-setup commands driven through their dialogs on
// the offscreen platform: the chosen type decides the extension, the folder
// is remembered, and every Cancel leaves files and document alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include "../document/DocumentFixture.h"
#include "DialogTestSupport.h"
#include "app/PrintExport.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PersianFileDialog.h"
#include "app/dialogs/PreviewControl.h"
#include "view/KavitroView.h"
#include "view/PageExport.h"
#include "view/RecordingViewHost.h"

namespace kavitro {
namespace {

// Acts on the modal dialog the command is about to show.
void WhenDialogShows(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// Rejects every modal dialog that shows while it lives (a command may show
// none, as page setup does without a system printer).
class RejectDialogs {
public:
    RejectDialogs() {
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
        });
        m_timer.start(5);
    }

private:
    QTimer m_timer;
};

class PrintExportTest : public test::DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        rect = test::AddRect(*doc, test::Place(-9000, -9000, 4000, 2000));
        rect->m_bBrush = 1;
        view->OnActivateView(true);
    }
    void TearDown() override {
        SetBitmapSizeDialog({});
        DialogTest::TearDown();
    }
    QString LastExportDir() const {
        return QString::fromStdU16String(env.profile.GetProfileString(
            CApplicationProperties::kSettingsSection, CApplicationProperties::kLastExportDirName, u""));
    }

    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view = std::make_unique<CKavitroView>(*doc, host);
    QTemporaryDir dir;
    CDrawRect* rect = nullptr;  // the page's one object, filled
};

TEST_F(PrintExportTest, ExportWritesTheChosenTypeAndRemembersTheFolder) {
    std::optional<Size> proposed;
    SetBitmapSizeDialog([&](QWidget*, Size& size) {
        proposed = size;
        size = Size{300, 300};
        return true;
    });
    // A name typed as .png with the JPEG type chosen is written as JPEG.
    WhenDialogShows([&](QWidget& w) {
        auto& dialog = dynamic_cast<CPersianFileDialog&>(w);
        EXPECT_EQ(dialog.windowTitle(), "Kavitro - Export");
        EXPECT_EQ(dialog.nameFilters().size(), 8);
        // The pane shows the page about to be written, not a cross: 4000 x 2000
        // drawn for the pane's room, margin included.
        const QImage& preview = dialog.Preview().Picture();
        const QSize room = dialog.Preview().PictureRoom();
        ASSERT_FALSE(preview.isNull());
        EXPECT_LE(preview.width(), room.width());
        EXPECT_LE(preview.height(), room.height());
        EXPECT_NEAR(preview.width(), 2 * preview.height(), 2);
        EXPECT_EQ(preview, RenderExportPreviewWithin(*view, Size{room.width(), room.height()}));
        dialog.selectNameFilter(dialog.nameFilters()[1]);
        dialog.selectFile(dir.filePath("page.png"));
        dialog.accept();
    });
    ASSERT_TRUE(ExportPageInteractive(nullptr, *view));
    EXPECT_FALSE(QFile::exists(dir.filePath("page.png")));
    QImageReader reader(dir.filePath("page.jpeg"));
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(std::max(reader.size().width(), reader.size().height()), 300);
    EXPECT_EQ(proposed, (Size{1000, 500}));  // a quarter of 4000 x 2000
    EXPECT_EQ(QDir(LastExportDir()), QDir(dir.path()));
    EXPECT_TRUE(env.errors.Reports().empty());
}

// In Farsi the dialog's title and the type names are the pack's, each type
// whole in the list, and the chosen type is still the one written.
TEST_F(PrintExportTest, TheExportDialogSpeaksThePacksLanguage) {
    SetBitmapSizeDialog({});
    const LanguagePack& farsi = test::BuiltPack(QStringLiteral("Farsi"));
    SetDialogLanguage(&farsi);
    WhenDialogShows([&](QWidget& w) {
        auto& dialog = dynamic_cast<CPersianFileDialog&>(w);
        EXPECT_EQ(dialog.windowTitle(), farsi.Text(StringId::ExportDialogTitle));
        const std::uint32_t types[] = {StringId::FileTypePng, StringId::FileTypeJpeg, StringId::FileTypeGif,
                                       StringId::FileTypeTiff, StringId::FileTypeBmp, StringId::FileTypeEps,
                                       StringId::FileTypeEmf, StringId::FileTypeWmf};
        ASSERT_EQ(dialog.nameFilters().size(), 8);
        const auto* list = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < 8; ++i) {
            EXPECT_TRUE(dialog.nameFilters()[i].startsWith(farsi.Text(types[i]) + QStringLiteral(" (")))
                << dialog.nameFilters()[i].toStdString();
            EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), list->width()) << i;
        }
        dialog.selectNameFilter(dialog.nameFilters()[2]);
        dialog.selectFile(dir.filePath("page"));
        dialog.accept();
    });
    const bool exported = ExportPageInteractive(nullptr, *view);
    SetDialogLanguage(nullptr);
    ASSERT_TRUE(exported);
    EXPECT_EQ(QImageReader(dir.filePath("page.gif")).format(), "gif");
}

// A rectangle drawn with one-pixel lines and no fill still shows in the
// pane: a big picture scaled down would fade its lines into the paper.
TEST_F(PrintExportTest, ThePreviewKeepsOnePixelLines) {
    rect->m_bBrush = 0;
    QImage shown;
    WhenDialogShows([&](QWidget& w) {
        auto& dialog = dynamic_cast<CPersianFileDialog&>(w);
        shown = dialog.Preview().grab().toImage();
        dialog.reject();
    });
    EXPECT_FALSE(ExportPageInteractive(nullptr, *view));
    ASSERT_FALSE(shown.isNull());
    // Along the middle row and column of the pane the outline crosses twice,
    // each time as a dark pixel (the pane's own frame lies at its border).
    const auto darkCrossings = [&](bool row) {
        int crossings = 0;
        const int length = row ? shown.width() : shown.height();
        for (int i = 4; i < length - 4; ++i) {
            const QRgb pixel = row ? shown.pixel(i, shown.height() / 2) : shown.pixel(shown.width() / 2, i);
            if (qGray(pixel) < 100) ++crossings;
        }
        return crossings;
    };
    EXPECT_GE(darkCrossings(true), 2);
    EXPECT_GE(darkCrossings(false), 2);
}

TEST_F(PrintExportTest, CancelWritesNothingAndChangesNothing) {
    // The file dialog cancelled.
    {
        RejectDialogs cancel;
        EXPECT_FALSE(ExportPageInteractive(nullptr, *view));
    }
    // The size dialog cancelled.
    SetBitmapSizeDialog([](QWidget*, Size&) { return false; });
    WhenDialogShows([&](QWidget& w) {
        auto& dialog = dynamic_cast<CPersianFileDialog&>(w);
        dialog.selectFile(dir.filePath("page.png"));
        dialog.accept();
    });
    EXPECT_FALSE(ExportPageInteractive(nullptr, *view));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(env.errors.Reports().empty());

    // Page setup and printing cancelled: the paper, zoom and page stay.
    const Size page = doc->GetPageSize();
    const Rect margins = doc->m_margins;
    doc->SetZoom(70);
    RejectDialogs cancel;
    EXPECT_FALSE(PageSetupInteractive(nullptr, *view));
    EXPECT_FALSE(PrintInteractive(nullptr, *view, false));
    EXPECT_EQ(doc->GetPageSize(), page);
    EXPECT_EQ(doc->m_margins, margins);
    EXPECT_EQ(doc->GetZoom(), 70);
    EXPECT_TRUE(env.errors.Reports().empty());
}

}  // namespace
}  // namespace kavitro

// Qt's font database keeps one fontconfig block that LeakSanitizer cannot see
// released; it is the library's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
