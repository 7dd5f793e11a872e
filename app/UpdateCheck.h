#pragma once

// The periodic update check: reads the release page in the background and
// says whether it announces a newer release. The program never waits for it:
// Start returns at once and Finished follows later, exactly once per Start,
// also when the address is unusable, the server does not answer within the
// timeout, or the page is larger than the cap.

#include <QByteArray>
#include <QDateTime>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include "app/Version.h"

class QNetworkAccessManager;

namespace kavitro {

struct UpdateCheckResult {
    enum class Outcome { NewerRelease, UpToDate, Failed };
    Outcome outcome = Outcome::Failed;
    QString latest = QStringLiteral("0.0.0.0");  // what the page announced
    QString error;                                // why it failed
};

class UpdateCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 15000;
    static constexpr qint64 kDefaultMaxBytes = 256 * 1024;

    explicit UpdateCheck(QObject* parent = nullptr);
    ~UpdateCheck() override;

    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    void SetMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Starts reading the page (http or https only). A check already running
    // is abandoned first, without a Finished of its own.
    void Start(const QUrl& page, const Version& program);
    bool IsRunning() const { return m_reply != nullptr; }

signals:
    void Finished(const kavitro::UpdateCheckResult& result);

private:
    void OnReadyRead();
    void OnReplyFinished();
    void Fail(const QString& error);
    void Abandon();

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QTimer m_deadline;
    Version m_program;
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBytes = kDefaultMaxBytes;
};

// The start-up rule: when the check is on, an address is configured and more
// than `period` days have passed since `lastCheck`, `lastCheck` becomes today
// (whatever the check finds) and the check starts. Returns whether it started.
bool StartUpdateCheckIfDue(UpdateCheck& check, const QString& address, bool checkForUpdates, qint32 period,
                           qint32& lastCheck, const QDateTime& now);

}  // namespace kavitro
