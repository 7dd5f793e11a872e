#include "app/UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

namespace kavitro {

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { Fail(QStringLiteral("the release page did not arrive in time")); });
}

UpdateCheck::~UpdateCheck() { Abandon(); }

void UpdateCheck::Abandon() {
    m_deadline.stop();
    m_body.clear();
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void UpdateCheck::Start(const QUrl& page, const Version& program) {
    Abandon();
    m_program = program;
    const QString scheme = page.scheme().toLower();
    if (!page.isValid() || (scheme != u"http" && scheme != u"https")) {
        // Still asynchronous, so that callers see one behaviour.
        QTimer::singleShot(0, this, [this] {
            UpdateCheckResult result;
            result.error = QStringLiteral("the release address is not an http or https address");
            emit Finished(result);
        });
        return;
    }
    QNetworkRequest request(page);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::OnReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::OnReplyFinished);
    // The transfer timeout only measures silence; this bounds the whole
    // transfer, so that a server dribbling bytes cannot hold it open.
    m_deadline.start(m_timeoutMs);
}

void UpdateCheck::OnReadyRead() {
    if (!m_reply)
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_maxBytes) {
        Fail(QStringLiteral("the release page is larger than %1 bytes").arg(m_maxBytes));
        return;
    }
    m_body += m_reply->read(m_maxBytes + 1 - m_body.size());
    if (m_body.size() > m_maxBytes)
        Fail(QStringLiteral("the release page is larger than %1 bytes").arg(m_maxBytes));
}

void UpdateCheck::OnReplyFinished() {
    if (!m_reply)
        return;
    OnReadyRead();
    if (!m_reply)
        return;  // failed on its size
    if (m_reply->error() != QNetworkReply::NoError) {
        Fail(m_reply->errorString());
        return;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString page = decoder.decode(m_body);
    if (decoder.hasError()) {
        Fail(QStringLiteral("the release page is not UTF-8 text"));
        return;
    }
    UpdateCheckResult result;
    result.latest = GetLatestReleaseVersion(page);
    const std::optional<Version> latest = Version::Parse(result.latest);
    if (!latest || latest->Packed() == 0) {
        Fail(QStringLiteral("the release page announces no version"));
        return;
    }
    result.outcome = *latest > m_program ? UpdateCheckResult::Outcome::NewerRelease
                                         : UpdateCheckResult::Outcome::UpToDate;
    Abandon();
    emit Finished(result);
}

void UpdateCheck::Fail(const QString& error) {
    Abandon();
    UpdateCheckResult result;
    result.error = error;
    emit Finished(result);
}

bool StartUpdateCheckIfDue(UpdateCheck& check, const QString& address, bool checkForUpdates, qint32 period,
                           qint32& lastCheck, const QDateTime& now) {
    if (address.isEmpty())
        return false;
    const qint32 today = DayNumber(now);
    if (!IsUpdateCheckDue(checkForUpdates, today, period, lastCheck))
        return false;
    lastCheck = today;
    check.Start(QUrl(address), ProgramVersion());
    return true;
}

}  // namespace kavitro
