#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include "app/LanguageService.h"
#include "app/PackCursors.h"
#include "document/StringIds.h"
#include "tests/app/DialogTestSupport.h"

namespace {

using kavitro::CApplicationProperties;
using kavitro::LanguageService;

const QString kLanguageRoot = QStringLiteral(KAVITRO_SHARE_DIR "/lang");

class LanguageServiceTest : public ::testing::Test {
protected:
    // Clicks the button labelled `label` of the next modal box.
    static void AnswerNextBox(const QString& label) {
        QTimer::singleShot(0, [label] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            for (QPushButton* b : box->findChildren<QPushButton*>()) {
                if (b->text() == label)
                    b->click();
            }
        });
    }

    std::unique_ptr<QApplication> m_app = kavitro::test::MakeDialogApplication();
    CApplicationProperties m_properties;
};

TEST_F(LanguageServiceTest, NewerReleaseIsToldOnceInANotice) {
    // A release page announcing a version far above the program's.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (!socket->readAll().contains("\r\n\r\n"))
                return;
            const QByteArray body = "<p>Kavitro Latest Release Version: 999.0 </p>";
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    });
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());

    QWidget window;
    m_properties.m_languageModule = u"Farsi.dll";
    m_properties[CApplicationProperties::CheckForUpdates] = 1;
    m_properties[CApplicationProperties::CheckForUpdatesPeriod] = 7;
    m_properties[CApplicationProperties::LastUpdateCheck] = 0;
    LanguageService service(m_properties, &window, kLanguageRoot, address);
    const QDateTime now(QDate(2021, 1, 1), QTime(12, 0));
    service.Start(now);  // no pack problem, same version: no box, and no wait
    EXPECT_EQ(m_properties[CApplicationProperties::LastUpdateCheck], kavitro::DayNumber(now));
    EXPECT_TRUE(service.Pack().IsRightToLeft());
    EXPECT_TRUE(service.Updates().IsRunning());
    EXPECT_EQ(service.Notice(), nullptr);

    QEventLoop loop;
    QObject::connect(&service.Updates(), &kavitro::UpdateCheck::Finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // a safety net against a hang
    loop.exec();
    ASSERT_NE(service.Notice(), nullptr);
    EXPECT_FALSE(service.Notice()->isModal());
    EXPECT_EQ(service.Notice()->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(service.Notice()->text().contains(QStringLiteral("999.0")));
    EXPECT_TRUE(service.Notice()->text().contains(address));

    // The same day again: no second check.
    service.Start(now);
    EXPECT_FALSE(service.Updates().IsRunning());
}

TEST_F(LanguageServiceTest, MissingPackIsReportedInEnglishAndTheSwitchGoesOn) {
    QWidget window;
    m_properties.m_languageModule = u"Klingon.dll";
    LanguageService service(m_properties, &window, kLanguageRoot, QString());
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        EXPECT_EQ(box->layoutDirection(), Qt::LeftToRight);
        box->buttons().front()->click();
    });
    service.Start();
    EXPECT_TRUE(shown.contains(kLanguageRoot + QStringLiteral("/Klingon")));
    EXPECT_FALSE(service.Pack().IsLoaded());
    EXPECT_FALSE(service.Updates().IsRunning());  // no address: the check is off

    int changes = 0;
    QObject::connect(&service, &LanguageService::LanguageChanged, [&changes] { ++changes; });
    AnswerNextBox(QStringLiteral("No"));
    EXPECT_FALSE(service.SwitchLanguage());
    EXPECT_EQ(m_properties.m_languageModule, u"Klingon.dll");

    AnswerNextBox(QStringLiteral("Yes"));
    EXPECT_TRUE(service.SwitchLanguage());
    EXPECT_EQ(m_properties.m_languageModule, u"Farsi.DLL");
    EXPECT_TRUE(service.Pack().IsRightToLeft());

    AnswerNextBox(service.Pack().Text(kavitro::StringId::ButtonYes));
    EXPECT_TRUE(service.SwitchLanguage());
    EXPECT_EQ(m_properties.m_languageModule, u"English.DLL");
    EXPECT_FALSE(service.Pack().IsRightToLeft());
    EXPECT_EQ(changes, 2);
}

TEST_F(LanguageServiceTest, CursorsComeFromThePackInSlotOrder) {
    kavitro::LanguagePack builtIn;
    for (const QCursor& cursor : kavitro::LoadCursorTable(builtIn))
        EXPECT_EQ(cursor.shape(), Qt::ArrowCursor);

    kavitro::LanguagePack farsi;
    ASSERT_TRUE(farsi.Load(kLanguageRoot, QStringLiteral("Farsi")).loaded);
    const std::vector<QCursor> cursors = kavitro::LoadCursorTable(farsi);
    ASSERT_EQ(cursors.size(), kavitro::kCursorIds.size());
    for (std::size_t slot = 0; slot < cursors.size(); ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(cursors[slot].shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursors[slot].hotSpot(), QPoint(farsi.Cursor(kavitro::kCursorIds[slot])->hotX,
                                                  farsi.Cursor(kavitro::kCursorIds[slot])->hotY));
        // Slot k is the picture of cursor id k, told apart by its marks.
        QImage expected(farsi.Cursor(kavitro::kCursorIds[slot])->path);
        EXPECT_EQ(cursors[slot].pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                  expected.convertToFormat(QImage::Format_ARGB32));
    }
}

}  // namespace
