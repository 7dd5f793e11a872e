// The document file prompt and the file dialog with preview.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileIconProvider>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/stat.h>

#include "app/dialogs/FilePrompt.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PersianFileDialog.h"
#include "app/dialogs/PicturePrompt.h"
#include "app/dialogs/PreviewControl.h"
#include "document/DocumentServices.h"
#include "document/ProfileStore.h"
#include "document/StringIds.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

using FilePrompt = test::DialogTest;

QStringList NameFilters(bool open) {
    QStringList filters;
    for (const FileFilterEntry& e : file_prompt::DocumentFilters(open)) filters << ToNameFilter(e);
    return filters;
}

TEST_F(FilePrompt, OffersBothDocumentKindsInTemplateOrderWhenOpening) {
    EXPECT_EQ(NameFilters(true), (QStringList{QStringLiteral("Kavitro documents (*.kv2 *.kvl)"),
                                              QStringLiteral("Kavitro Files (*.kv2)"),
                                              QStringLiteral("Kavitro 1.x Files (*.kvl)"),
                                              QStringLiteral("All Files (*)")}));
    EXPECT_EQ(NameFilters(false),
              (QStringList{QStringLiteral("Kavitro Files (*.kv2)"), QStringLiteral("All Files (*)")}));
    // The document layer's bar form, as the picture prompt passes it.
    const auto entries = ParseBarFilter(u"Pictures|*.png;*.bmp|All|*.*|Broken|");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(ToNameFilter(entries[0]), QStringLiteral("Pictures (*.png *.bmp)"));
    EXPECT_EQ(ToNameFilter(entries[1]), QStringLiteral("All (*)"));
}

TEST_F(FilePrompt, MatchesAcceptedExtensionsExactly) {
    const AcceptedExtensions accepted(QString::fromUtf16(file_prompt::kAcceptedExtensions));
    const struct {
        const char* path;
        bool accepted;
    } cases[] = {
        {"/d/a.kv2", true},     {"/d/A.KV2", true},      {"/d/a.kvl", true},  {"/d/a.kv", false},
        {"/d/a", false},        {"/d/a.kv2.bak", false}, {"/d/kv2", false},   {"/d/a.kv2x", false},
        {"/d.kv2/a", false},    {"/d/a.xkv2", false},
    };
    for (const auto& c : cases) EXPECT_EQ(accepted.Accepts(QString::fromLatin1(c.path)), c.accepted) << c.path;
}

TEST_F(FilePrompt, RemembersTheFolderOfTheOpenedDocument) {
    MemoryProfileStore profile;
    EXPECT_EQ(file_prompt::LastFolder(profile), QString());
    file_prompt::RememberFolder(profile, QStringLiteral("/home/user/poems/ghazal.kv2"));
    EXPECT_EQ(file_prompt::LastFolder(profile), QStringLiteral("/home/user/poems"));
    file_prompt::RememberFolder(profile, QStringLiteral("/top.kv2"));
    EXPECT_EQ(file_prompt::LastFolder(profile), QStringLiteral("/"));
    // A folder that is gone falls back to the next choice.
    QTemporaryDir second;
    EXPECT_EQ(ChooseStartFolder(QStringLiteral("/no/such/folder"), second.path()), second.path());
    EXPECT_FALSE(ChooseStartFolder(QStringLiteral("/no/such"), QStringLiteral("/nor/this")).isEmpty());
}

class FileDialogWithPreview : public test::DialogTest {
protected:
    void SetUp() override {
        test::DialogTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        Write(QStringLiteral("a.kv2"), "not a document");
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::green);
        ASSERT_TRUE(image.save(Path(QStringLiteral("b.png"))));
        ASSERT_TRUE(image.save(Path(QStringLiteral("c.kv")), "PNG"));
        QDir(m_dir.path()).mkdir(QStringLiteral("sub.kv2"));
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
};

TEST_F(FileDialogWithPreview, OpenAcceptsOnlyExistingFilesOfTheListedKinds) {
    CPersianFileDialog open(nullptr, true, {}, QStringLiteral("kv2;png"), {}, m_dir.path(), {});
    EXPECT_TRUE(open.IsNameAcceptable(Path(QStringLiteral("a.kv2"))));
    EXPECT_TRUE(open.IsNameAcceptable(Path(QStringLiteral("b.png"))));
    EXPECT_FALSE(open.IsNameAcceptable(Path(QStringLiteral("c.kv"))));
    EXPECT_FALSE(open.IsNameAcceptable(Path(QStringLiteral("missing.kv2"))));
    EXPECT_FALSE(open.IsNameAcceptable(Path(QStringLiteral("sub.kv2"))));
    EXPECT_EQ(open.fileMode(), QFileDialog::ExistingFile);

    CPersianFileDialog save(nullptr, false, {}, {}, {}, m_dir.path(), {});
    EXPECT_TRUE(save.IsNameAcceptable(Path(QStringLiteral("new.kv2"))));
    EXPECT_EQ(save.fileMode(), QFileDialog::AnyFile);  // one file
    EXPECT_EQ(save.directory().path(), QDir(m_dir.path()).path());
}

TEST_F(FileDialogWithPreview, ShowsTheLabelsOfTheLanguagePackMirroredInFarsi) {
    for (const char* language : {"English", "Farsi"}) {
        SCOPED_TRACE(language);
        const LanguagePack& pack = test::BuiltPack(QString::fromLatin1(language));
        SetDialogLanguage(&pack);
        for (const bool open : {true, false}) {
            CPersianFileDialog dialog(nullptr, open, {}, {}, {}, m_dir.path(), {});
            // What the user sees: the dialog's own labels and buttons.
            const std::pair<const char*, std::uint32_t> labels[] = {
                {"lookInLabel", StringId::FileDialogLookIn},
                {"fileNameLabel", StringId::FileDialogFileName},
                {"fileTypeLabel", StringId::FileDialogFileType},
            };
            for (const auto& [name, id] : labels) {
                const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
                ASSERT_NE(label, nullptr) << name;
                EXPECT_EQ(label->text(), pack.Text(id));
            }
            // The texts Qt's dialog names itself: column titles and tool tips.
            const QAbstractItemModel* files = dialog.findChild<QTreeView*>()->model();
            const std::uint32_t columns[] = {StringId::FileListName, StringId::FileListSize, StringId::FileListType,
                                             StringId::FileListDate};
            for (int column = 0; column < 4; ++column)
                EXPECT_EQ(files->headerData(column, Qt::Horizontal).toString(), pack.Text(columns[column]));
            EXPECT_EQ(dialog.findChild<QToolButton*>(QStringLiteral("toParentButton"))->toolTip(),
                      pack.Text(StringId::FileDialogParent));
            QStringList buttons;
            for (const QPushButton* button : dialog.findChildren<QPushButton*>()) buttons << button->text();
            EXPECT_TRUE(buttons.contains(pack.Text(open ? StringId::FileDialogOpen : StringId::FileDialogSave)));
            EXPECT_TRUE(buttons.contains(pack.Text(StringId::ButtonCancel)));
            EXPECT_EQ(dialog.layoutDirection(), pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        }
    }
}

TEST_F(FileDialogWithPreview, NeverReadsAFileToNameOrPreviewIt) {
    // "c.kv" holds a PNG picture: a provider that sniffs contents names it a
    // picture; the dialog's own goes by the name only (reading may block).
    CPersianFileDialog dialog(nullptr, false, {}, {}, {}, m_dir.path(), {});
    ASSERT_NE(dialog.iconProvider(), nullptr);
    QMimeDatabase mimes;
    const QFileInfo sniffable(Path(QStringLiteral("c.kv")));
    const QMimeType byName = mimes.mimeTypeForFile(sniffable.fileName(), QMimeDatabase::MatchExtension);
    ASSERT_NE(mimes.mimeTypeForFile(sniffable).name(), byName.name());
    EXPECT_EQ(dialog.iconProvider()->type(sniffable), byName.comment());
    EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(Path(QStringLiteral("b.png")))),
              mimes.mimeTypeForName(QStringLiteral("image/png")).comment());
    EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(Path(QStringLiteral("sub.kv2")))),
              QFileIconProvider().type(QFileInfo(Path(QStringLiteral("sub.kv2")))));

    // A FIFO named like a picture: opening it would wait for a writer.
    const QString fifo = Path(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(dialog.iconProvider()->icon(QFileInfo(fifo)).isNull());
    CKavitroPreviewControl preview;
    preview.SetFilePath(fifo);
    EXPECT_TRUE(preview.Picture().isNull());
    EXPECT_EQ(preview.DecodeCount(), 0);
}

TEST_F(FileDialogWithPreview, DecodesEachSelectedFileOnceAndFollowsTheCheckBox) {
    CPersianFileDialog dialog(nullptr, true, {}, QStringLiteral("kv2;png"), {}, m_dir.path(), {});
    CKavitroPreviewControl& preview = dialog.Preview();
    const QString png = Path(QStringLiteral("b.png"));
    emit dialog.currentChanged(png);
    EXPECT_EQ(preview.FilePath(), png);
    EXPECT_FALSE(preview.Picture().isNull());
    emit dialog.currentChanged(png);
    EXPECT_EQ(preview.DecodeCount(), 1);

    dialog.SetPreviewOn(false);  // clears at once
    EXPECT_TRUE(preview.FilePath().isEmpty());
    dialog.SetPreviewOn(true);   // shows the current selection again
    EXPECT_EQ(preview.FilePath(), png);

    // A damaged document: a path but no picture, and no message.
    emit dialog.currentChanged(Path(QStringLiteral("a.kv2")));
    EXPECT_TRUE(preview.Picture().isNull());
    // A file of another kind is not previewed in an open dialog.
    emit dialog.currentChanged(Path(QStringLiteral("c.kv")));
    EXPECT_TRUE(preview.FilePath().isEmpty());

    dialog.SetPreviewDisabled(true);
    emit dialog.currentChanged(png);
    EXPECT_TRUE(preview.FilePath().isEmpty());
    EXPECT_FALSE(dialog.findChild<QCheckBox*>(QStringLiteral("previewCheck"))->isEnabled());
}

TEST_F(FileDialogWithPreview, ShowsASuppliedPictureInsteadOfFilesInItsOwnShape) {
    CPersianFileDialog dialog(nullptr, false, {}, {}, {}, m_dir.path(), {});
    CKavitroPreviewControl& preview = dialog.Preview();
    QImage page(100, 50, QImage::Format_RGB32);
    page.fill(Qt::red);
    dialog.SetSuppliedPreview(page);
    emit dialog.currentChanged(Path(QStringLiteral("b.png")));  // the page stays
    EXPECT_EQ(preview.Picture(), page);
    EXPECT_EQ(preview.DecodeCount(), 0);

    // Fitted across the pane (less its 3-pixel insets), half as high, centred:
    // not stretched into a square.
    const QImage shot = preview.grab().toImage();
    const int middle = shot.width() / 2;
    int redRows = 0;
    for (int y = 0; y < shot.height(); ++y) redRows += shot.pixelColor(middle, y) == QColor(Qt::red) ? 1 : 0;
    EXPECT_NEAR(redRows, (shot.width() - 6) / 2, 2);
    EXPECT_EQ(shot.pixelColor(middle, shot.height() / 2), QColor(Qt::red));

    dialog.SetPreviewOn(false);
    EXPECT_TRUE(preview.Picture().isNull());
    dialog.SetPreviewOn(true);
    EXPECT_EQ(preview.Picture(), page);
    dialog.SetPreviewDisabled(true);
    EXPECT_TRUE(preview.Picture().isNull());
}

// Runs the prompt; `answer` acts on the dialog once it is up.
bool RunPrompt(QString& fileName, bool open, const std::function<void(CPersianFileDialog&)>& answer) {
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CPersianFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
    return DoPromptFileName(nullptr, fileName, open ? StringId::OpenFileTitle : StringId::SaveFileTitle, open);
}

TEST_F(FileDialogWithPreview, PromptStartsInTheLastFolderAndRemembersTheNewOne) {
    MemoryProfileStore profile;
    ProfileStore* saved = DocumentServices::Current().profile;
    DocumentServices::Current().profile = &profile;
    const QString sub = Path(QStringLiteral("sub.kv2"));
    Write(QStringLiteral("sub.kv2/inner.kvl"), "x");
    profile.WriteProfileString("Settings", "Last Document Dir", m_dir.path().toStdU16String());

    QString fileName;
    EXPECT_TRUE(RunPrompt(fileName, true, [&](CPersianFileDialog& dialog) {
        EXPECT_EQ(QDir(dialog.directory()).path(), QDir(m_dir.path()).path());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open"));
        dialog.setDirectory(sub);
        dialog.selectFile(QDir(sub).filePath(QStringLiteral("inner.kvl")));
        dialog.accept();
    }));
    EXPECT_EQ(fileName, QDir(sub).filePath(QStringLiteral("inner.kvl")));
    EXPECT_EQ(file_prompt::LastFolder(profile), QDir(sub).path());

    // Cancel, and any save dialog, leave the folder alone.
    const int writes = profile.WriteCount();
    EXPECT_FALSE(RunPrompt(fileName, true, [](CPersianFileDialog& dialog) { dialog.reject(); }));
    QString target = Path(QStringLiteral("new"));
    EXPECT_TRUE(RunPrompt(target, false, [&](CPersianFileDialog& dialog) {
        dialog.selectFile(Path(QStringLiteral("new")));
        dialog.accept();
    }));
    EXPECT_EQ(target, Path(QStringLiteral("new.kv2")));  // the default extension
    EXPECT_EQ(profile.WriteCount(), writes);

    // A document never saved is offered under its title in the documents
    // folder, not in the working folder.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    QString untitled = QStringLiteral("Untitled1");
    EXPECT_FALSE(RunPrompt(untitled, false, [](CPersianFileDialog& dialog) {
        EXPECT_EQ(dialog.directory().absolutePath(),
                  QDir(ChooseStartFolder(QString(), file_prompt::DefaultFolder())).absolutePath());
        dialog.reject();
    }));
    QDir::setCurrent(workingFolder);
    DocumentServices::Current().profile = saved;
}

// The picture dialog's title names a picture, and its types are the pack's.
TEST_F(FileDialogWithPreview, PictureDialogTakesItsTitleAndTypesFromThePack) {
    for (const char* language : {"English", "Farsi"}) {
        SCOPED_TRACE(language);
        const LanguagePack& pack = test::BuiltPack(QString::fromLatin1(language));
        SetDialogLanguage(&pack);
        QStringList shown;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CPersianFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            shown = dialog->nameFilters();
            dialog->reject();
        });
        DialogPictureFilePrompt prompt;
        EXPECT_FALSE(prompt.AskPictureFile(CDrawPicture::GetFileRequestTemplate()));
        EXPECT_EQ(title, pack.Text(StringId::PictureDialogTitle));
        ASSERT_EQ(shown.size(), 11);
        EXPECT_TRUE(shown[0].startsWith(pack.Text(StringId::FileTypeAllPictures) + QStringLiteral(" (*.ekvt ")));
        EXPECT_TRUE(shown[6].startsWith(pack.Text(StringId::FileTypeJpeg) + QStringLiteral(" (*.jpeg *.jpg)")));
        EXPECT_TRUE(shown[10].startsWith(pack.Text(StringId::AllFilesFilter).remove(QStringLiteral(" (*.*)"))));
    }
    EXPECT_EQ(test::BuiltPack(QStringLiteral("English")).Text(StringId::PictureDialogTitle),
              QStringLiteral("Kavitro - Open Dodavo"));
    SetDialogLanguage(nullptr);
}

}  // namespace
}  // namespace kavitro
