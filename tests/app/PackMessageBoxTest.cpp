#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include "app/PackMessageBox.h"
#include "document/StringIds.h"
#include "tests/app/DialogTestSupport.h"

namespace {

using kavitro::DialogResult;
using kavitro::ErrorMessage;
using kavitro::MessageButtons;
using kavitro::MessageIcon;
using kavitro::PackMessageBox;
namespace StringId = kavitro::StringId;

const QString kLanguageRoot = QStringLiteral(KAVITRO_SHARE_DIR "/lang");

class PackMessageBoxTest : public ::testing::Test {
protected:
    QStringList Labels(const PackMessageBox::Box& built) {
        QStringList labels;
        for (QAbstractButton* b : built.box->buttons())
            labels << b->text();
        labels.sort();
        return labels;
    }
    static Qt::Alignment VisualAlignment(const QMessageBox& box) {
        const QLabel* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        return label ? QStyle::visualAlignment(label->layoutDirection(), label->alignment()) : Qt::Alignment{};
    }

    std::unique_ptr<QApplication> m_app = kavitro::test::MakeDialogApplication();
    kavitro::LanguageModule m_language{kLanguageRoot};
    PackMessageBox m_report{m_language};
};

TEST_F(PackMessageBoxTest, SwitchingPacksTurnsTheBoxRightToLeft) {
    const ErrorMessage question{StringId::SwitchLanguage, {}, MessageButtons::YesNo, MessageIcon::Error, {}, 0};

    ASSERT_TRUE(m_language.LoadFromSetting(QStringLiteral("English.dll")).loaded);
    PackMessageBox::Box english = m_report.Build(question);
    EXPECT_EQ(english.box->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(english.box->text(), QStringLiteral("Switch the language of the user interface?"));
    EXPECT_EQ(Labels(english), (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
    EXPECT_TRUE(VisualAlignment(*english.box) & Qt::AlignLeft);

    ASSERT_TRUE(m_language.LoadFromSetting(kavitro::OtherLanguageSetting(u"English.DLL")).loaded);
    PackMessageBox::Box farsi = m_report.Build(question);
    EXPECT_EQ(farsi.box->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(VisualAlignment(*farsi.box) & Qt::AlignRight);
    EXPECT_EQ(farsi.box->text(), m_language.Pack().Text(StringId::SwitchLanguage));
    EXPECT_EQ(Labels(farsi), (QStringList{QStringLiteral("بله"), QStringLiteral("خیر")}));
    EXPECT_EQ(farsi.box->icon(), QMessageBox::Critical);
    EXPECT_EQ(farsi.box->font().family(), m_language.Pack().DialogFontFamily());

    // Every button of every set carries its own label from the pack.
    const std::pair<MessageButtons, int> sets[] = {
        {MessageButtons::Ok, 1},          {MessageButtons::OkCancel, 2}, {MessageButtons::AbortRetryIgnore, 3},
        {MessageButtons::YesNoCancel, 3}, {MessageButtons::YesNo, 2},    {MessageButtons::RetryCancel, 2},
    };
    for (const auto& [set, count] : sets) {
        PackMessageBox::Box built = m_report.Build(ErrorMessage{0, u"متن", set, MessageIcon::None, {}, 0});
        ASSERT_EQ(built.box->buttons().size(), count);
        for (const auto& [button, result] : built.results)
            EXPECT_EQ(button->text(), m_language.Pack().Text(StringId::ButtonOk + static_cast<int>(result) - 1));
        EXPECT_EQ(built.results.at(built.box->defaultButton()), kavitro::ButtonsOf(set).front());
    }
}

// A failure with a file shows the message, the file set apart in its own
// reading direction and the reason, all in the pack's language.
TEST_F(PackMessageBoxTest, FileFailuresShowTheFileAndTheReasonInThePackLanguage) {
    const std::u16string file = u"/home/\u06A9\u0627\u0631\u0628\u0631/\u0633\u0646\u062F 2.kv2";
    const QString shown = u'\u2068' + QString::fromStdU16String(file) + u'\u2069';
    const struct {
        std::uint32_t message, reason;
        QString english, farsi;
    } cases[] = {
        {StringId::SaveFailed, StringId::ReasonNoSpace, QStringLiteral("The document could not be saved."),
         QStringLiteral("روی دیسک جای خالی نمانده است.")},
        {StringId::SaveFailed, StringId::ReasonReadOnlyDisk, QStringLiteral("The disk can only be read"),
         QStringLiteral("دیسک فقط‌خواندنی است")},
        {StringId::ImportUnreadable, StringId::DamageCutOff, QStringLiteral("The file could not be read."),
         QStringLiteral("پرونده ناقص است")},
        {StringId::ExportFailed, StringId::ReasonNoPermission, QStringLiteral("The page could not be exported."),
         QStringLiteral("اجازهٔ به کار بردن")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ErrorMessage failure{c.message, {}, MessageButtons::Ok, MessageIcon::Error, file, c.reason};
        for (const char* setting : {"English.dll", "Farsi.dll"}) {
            ASSERT_TRUE(m_language.LoadFromSetting(QString::fromLatin1(setting)).loaded);
            const kavitro::LanguagePack& pack = m_language.Pack();
            const QString text = m_report.Build(failure).box->text();
            EXPECT_EQ(text, pack.Text(c.message) + u'\n' + shown + u'\n' + pack.Text(c.reason));
            EXPECT_TRUE(text.contains(pack.IsRightToLeft() ? c.farsi : c.english)) << text.toStdString();
        }
    }
}

TEST_F(PackMessageBoxTest, ReturnsTheButtonPressed) {
    ASSERT_TRUE(m_language.LoadFromSetting(QStringLiteral("Farsi.dll")).loaded);
    struct Case {
        MessageButtons buttons;
        const char16_t* press;  // the label to click; nullptr: press Escape
        DialogResult expected;
    };
    const Case cases[] = {
        {MessageButtons::YesNo, u"خیر", DialogResult::No},
        {MessageButtons::YesNoCancel, u"بله", DialogResult::Yes},
        {MessageButtons::OkCancel, nullptr, DialogResult::Cancel},
        {MessageButtons::Ok, nullptr, DialogResult::Ok},
        {MessageButtons::RetryCancel, u"تلاش دوباره", DialogResult::Retry},
    };
    for (const Case& c : cases) {
        QTimer::singleShot(0, [&c] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->layoutDirection(), Qt::RightToLeft);
            if (!c.press) {
                box->reject();
                return;
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == QString::fromUtf16(c.press))
                    b->click();
            }
        });
        EXPECT_EQ(m_report.ReportError(StringId::UserKeyboardMissing, c.buttons), c.expected);
    }
}

TEST_F(PackMessageBoxTest, NoticeIsDismissableAndDoesNotBlock) {
    ASSERT_TRUE(m_language.LoadFromSetting(QStringLiteral("Farsi.dll")).loaded);
    const QString text = m_language.Pack().Format(StringId::NewerRelease,
                                                   {QStringLiteral("2.1"), QStringLiteral("https://example.org")});
    QPointer<QMessageBox> notice = m_report.ShowNotice(text);
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(notice->text().contains(QStringLiteral("https://example.org")));
    notice->buttons().front()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(notice.isNull());
}

}  // namespace
