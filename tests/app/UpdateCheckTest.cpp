#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/UpdateCheck.h"

namespace {

using kavitro::UpdateCheck;
using kavitro::UpdateCheckResult;
using Outcome = kavitro::UpdateCheckResult::Outcome;

// A release-page server on 127.0.0.1 that answers every request with one
// canned response, or never answers at all.
class ReleaseServer : public QObject {
public:
    enum class Mode { Answer, Silent };

    ReleaseServer(Mode mode, QByteArray response) : m_mode(mode), m_response(std::move(response)) {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                if (m_mode == Mode::Silent)
                    continue;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n") || m_answered)
                        return;
                    m_answered = true;
                    socket->write(m_response);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/release.html").arg(m_server.serverPort())); }

private:
    QTcpServer m_server;
    Mode m_mode;
    QByteArray m_response;
    QByteArray m_request;
    bool m_answered = false;
};

QByteArray Http(const QByteArray& body, const QByteArray& status = "200 OK", bool withLength = true) {
    QByteArray head = "HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n";
    if (withLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

QByteArray Page(const QByteArray& version) {
    return "<html><body><p>Kavitro Latest Release Version: " + version + " </p></body></html>";
}

struct CheckRun {
    std::vector<UpdateCheckResult> results;
};

// Starts a check and runs the event loop until it reports, then a little
// longer to catch a second report.
CheckRun Check(UpdateCheck& check, const QUrl& url, const kavitro::Version& program) {
    CheckRun run;
    QEventLoop loop;
    QObject::connect(&check, &UpdateCheck::Finished, &loop, [&](const UpdateCheckResult& r) {
        run.results.push_back(r);
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(20000);  // a safety net against a hang, not a measure
    check.Start(url, program);
    loop.exec();
    return run;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    int m_argc = 1;
    char m_name[16] = "update_check";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
};

TEST_F(UpdateCheckTest, ReadsTheReleasePageFromALocalServer) {
    const kavitro::Version program = *kavitro::Version::Parse(u"2.9");
    struct Case {
        const char* name;
        ReleaseServer::Mode mode;
        QByteArray response;
        Outcome outcome;
        const char* latest;
    };
    QByteArray oversized = Page("3.0") + QByteArray(300 * 1024, ' ');
    const Case cases[] = {
        {"newer", ReleaseServer::Mode::Answer, Http(Page("2.10")), Outcome::NewerRelease, "2.10"},
        {"equal", ReleaseServer::Mode::Answer, Http(Page("2.9.0.0")), Outcome::UpToDate, "2.9.0.0"},
        {"older", ReleaseServer::Mode::Answer, Http(Page("2.8.99")), Outcome::UpToDate, "2.8.99"},
        {"no marker", ReleaseServer::Mode::Answer, Http("<html>Release 3.0 </html>"), Outcome::Failed, "0.0.0.0"},
        {"not a version", ReleaseServer::Mode::Answer, Http(Page("three")), Outcome::Failed, "0.0.0.0"},
        {"not UTF-8", ReleaseServer::Mode::Answer, Http(Page("3.0\xFF")), Outcome::Failed, "0.0.0.0"},
        {"not found", ReleaseServer::Mode::Answer, Http(Page("3.0"), "404 Not Found"), Outcome::Failed, "0.0.0.0"},
        {"oversized, length given", ReleaseServer::Mode::Answer, Http(oversized), Outcome::Failed, "0.0.0.0"},
        {"oversized, no length", ReleaseServer::Mode::Answer, Http(oversized, "200 OK", false), Outcome::Failed,
         "0.0.0.0"},
        {"never answers", ReleaseServer::Mode::Silent, {}, Outcome::Failed, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseServer server(c.mode, c.response);
        UpdateCheck check;
        check.SetTimeout(500);
        const CheckRun run = Check(check, server.Url(), program);
        ASSERT_EQ(run.results.size(), 1u);
        EXPECT_EQ(run.results[0].outcome, c.outcome) << run.results[0].error.toStdString();
        EXPECT_EQ(run.results[0].latest, QString::fromLatin1(c.latest));
        EXPECT_EQ(run.results[0].error.isEmpty(), c.outcome != Outcome::Failed);
        EXPECT_FALSE(check.IsRunning());
    }
}

TEST_F(UpdateCheckTest, UnusableAddressStillReportsLater) {
    for (const char* address : {"", "ftp://127.0.0.1/release", "file:///etc/passwd", "not an address"}) {
        SCOPED_TRACE(address);
        UpdateCheck check;
        const CheckRun run = Check(check, QUrl(QString::fromLatin1(address)), kavitro::Version{});
        ASSERT_EQ(run.results.size(), 1u);
        EXPECT_EQ(run.results[0].outcome, Outcome::Failed);
    }
}

TEST_F(UpdateCheckTest, StartsOnlyWhenDueAndRecordsTheDay) {
    ReleaseServer server(ReleaseServer::Mode::Silent, {});
    const QDateTime now(QDate(2020, 3, 1), QTime(12, 0));
    const qint32 today = kavitro::DayNumber(now);
    struct Case {
        const char* address;
        bool on;
        qint32 period, last;
        bool started;
    };
    const std::string url = server.Url().toString().toStdString();
    const Case cases[] = {
        {url.c_str(), true, 30, 0, true},
        {url.c_str(), true, 30, today - 30, false},
        {url.c_str(), false, 30, 0, false},
        {"", true, 30, 0, false},  // no address configured: the check is off
    };
    for (const Case& c : cases) {
        UpdateCheck check;
        qint32 last = c.last;
        EXPECT_EQ(kavitro::StartUpdateCheckIfDue(check, QString::fromLatin1(c.address), c.on, c.period, last, now),
                  c.started);
        EXPECT_EQ(last, c.started ? today : c.last);
        EXPECT_EQ(check.IsRunning(), c.started);
    }
}

}  // namespace
