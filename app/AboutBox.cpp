#include "app/AboutBox.h"

#include <QDesktopServices>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QUrl>

#include "app/LanguagePack.h"
#include "app/PackPicture.h"
#include "app/Version.h"
#include "document/StringIds.h"
#include "platform/ErrorReport.h"

namespace kavitro {

namespace {

const QColor kTextColour(0x4A, 0x10, 0x10);
constexpr int kStepMs = 100;
constexpr int kTitlePixels = 35;
constexpr int kLinePixels = 15;
constexpr int kVersionPixels = 14;

// The places of the child windows, fitted to the logo's design.
constexpr QRect kScrollRect(QPoint(10, 215), QPoint(249, 359));
constexpr QRect kVersionRect(QPoint(20, 195), QPoint(214, 214));
constexpr int kMedallionSide = 120;
constexpr int kMedallionMargin = 10;

QFont MakeFont(const QString& family, int pixelSize, QFont::Weight weight) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

}  // namespace

std::optional<QImage> LoadKeyedFrame(const QString& path, QSize size) {
    std::optional<QImage> picture = ReadPackPicture(path);
    if (!picture)
        return std::nullopt;
    QImage frame = picture->convertToFormat(QImage::Format_ARGB32);
    if (frame.size() != size)
        frame = frame.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QRgb key = frame.pixel(0, 0);
    for (int y = 0; y < frame.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return frame;
}

// --- CKavitroLogo ------------------------------------------------------------

CKavitroLogo::CKavitroLogo(const QString& fontFamily, QWidget* parent) : QWidget(parent), m_fontFamily(fontFamily) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CKavitroLogo::AddLine(const QString& text, int pixelSize) { m_lines.push_back({text, pixelSize}); }

void CKavitroLogo::DrawFrame() {
    m_scrolling = true;
    m_drawnOffset = m_scroll;
    update();
    m_scroll = m_scroll >= kScrollEnd ? 0 : m_scroll + 1;
}

void CKavitroLogo::paintEvent(QPaintEvent*) {
    if (!m_scrolling)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setLayoutDirection(Qt::LayoutDirectionAuto);
    painter.setPen(kTextColour);
    int bottom = height() - m_drawnOffset;
    for (const Line& line : m_lines) {
        const QFont font = MakeFont(m_fontFamily, line.pixelSize, QFont::Normal);
        const int lineHeight = QFontMetrics(font).height();
        if (bottom > 0) {
            painter.setFont(font);
            painter.drawText(QRect(0, bottom - lineHeight, width(), lineHeight), Qt::AlignHCenter | Qt::AlignBottom,
                             line.text);
        }
        bottom += lineHeight;
        if (bottom - lineHeight > height())
            break;
    }
}

// --- CKavitroVersion ---------------------------------------------------------

CKavitroVersion::CKavitroVersion(const QString& text, const QString& fontFamily, QWidget* parent)
    : QWidget(parent), m_text(text), m_fontFamily(fontFamily) {}

void CKavitroVersion::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setLayoutDirection(Qt::LayoutDirectionAuto);
    painter.setPen(kTextColour);
    painter.setFont(MakeFont(m_fontFamily, kVersionPixels, QFont::Bold));
    // The line starts where the box's lines start: on the right in a
    // right-to-left language (the painter's direction follows the text, so
    // the alignment is made visual here, from the widget's).
    painter.drawText(rect(), QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft) | Qt::AlignTop, m_text);
}

void CKavitroVersion::mouseReleaseEvent(QMouseEvent* event) {
    const QString page = GetHomePageUrl();
    if (event->button() == Qt::LeftButton && !page.isEmpty())
        QDesktopServices::openUrl(QUrl(page));
}

// --- CMM3DObject -------------------------------------------------------------

CMM3DObject::CMM3DObject(const LanguagePack& pack, ErrorReport& report, QWidget* parent)
    : QWidget(parent), m_pack(pack), m_report(report) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool CMM3DObject::LoadFrames() {
    std::vector<QImage> frames;
    for (int n = 1; n <= kFrameCount; ++n) {
        std::optional<QImage> frame = LoadKeyedFrame(m_pack.ImagePath(QStringLiteral("DAT%1").arg(n)), size());
        if (!frame)
            return false;
        frames.push_back(std::move(*frame));
    }
    m_frames = std::move(frames);
    return true;
}

void CMM3DObject::DrawNextFrame() {
    if (!m_loadTried) {
        m_loadTried = true;
        // A box whose frames are incomplete turns nothing rather than a
        // medallion with holes in its turn.
        if (!LoadFrames())
            m_report.ReportError(StringId::AnimationFailed, MessageButtons::Ok, MessageIcon::None);
    }
    if (m_frames.empty())
        return;
    if (m_counter >= static_cast<int>(m_frames.size()))
        m_counter = 0;
    m_shown = m_counter++;
    update();
}

void CMM3DObject::paintEvent(QPaintEvent*) {
    if (m_shown < 0 || m_shown >= static_cast<int>(m_frames.size()))
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_frames[static_cast<std::size_t>(m_shown)]);
}

// --- CAboutDlg ---------------------------------------------------------------

CAboutDlg::CAboutDlg(const LanguagePack& pack, ErrorReport& report, const QCursor& linkCursor, QWidget* parent)
    : QDialog(parent), m_logo(PackLogo(pack)) {
    QString title = pack.Text(57664);  // the About command's caption
    title.remove(QLatin1Char('&'));
    if (title.endsWith(QStringLiteral("...")))
        title.chop(3);
    setWindowTitle(title);
    setLayoutDirection(pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, &CAboutDlg::OnTimer);
    if (m_logo.isNull()) {
        setFixedSize(kTemplateSize);
        return;
    }
    setFixedSize(m_logo.size());
    const QString family = pack.DialogFontFamily();
    const QString versionLine = pack.Text(StringId::AboutVersion) + QStringLiteral(": ") + ProgramVersionString();

    m_logoWindow = new CKavitroLogo(family, this);
    m_logoWindow->setObjectName(QStringLiteral("Logo Window"));
    m_logoWindow->setGeometry(kScrollRect);
    BuildText(pack, versionLine);

    m_medallion = new CMM3DObject(pack, report, this);
    m_medallion->setObjectName(QStringLiteral("Kavitro 3D"));
    m_medallion->setGeometry(width() - kMedallionSide - kMedallionMargin, kMedallionMargin, kMedallionSide,
                             kMedallionSide);

    m_versionWindow = new CKavitroVersion(versionLine, family, this);
    m_versionWindow->setObjectName(QStringLiteral("Version Window"));
    m_versionWindow->setGeometry(kVersionRect);
    m_versionWindow->setCursor(linkCursor);
}

void CAboutDlg::BuildText(const LanguagePack& pack, const QString& versionLine) {
    m_logoWindow->AddLine(pack.Text(StringId::AboutTitle), kTitlePixels);
    m_logoWindow->AddLine(pack.Text(StringId::AboutSubtitle), kTitlePixels);
    m_logoWindow->AddLine(versionLine, kLinePixels);
    m_logoWindow->AddLine(QString(), kLinePixels);
    for (const QString& line : pack.Text(StringId::AboutMaker).split(QLatin1Char('\n')))
        m_logoWindow->AddLine(line, kLinePixels);
    if (const QString page = GetHomePageUrl(); !page.isEmpty())
        m_logoWindow->AddLine(page, kLinePixels);
    m_logoWindow->AddLine(QString(), kLinePixels);
    for (const QString& line : pack.Text(StringId::AboutCredits).split(QLatin1Char('\n')))
        m_logoWindow->AddLine(line, kLinePixels);
    m_logoWindow->AddLine(QString(), kLinePixels);
    for (const QString& line : pack.Text(StringId::AboutVerse).split(QLatin1Char('\n')))
        m_logoWindow->AddLine(line, kLinePixels);
}

void CAboutDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_logo.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawPixmap(0, 0, m_logo);
}

void CAboutDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_logoWindow && !m_timer.isActive())
        m_timer.start();
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    // Enter closes the box as Escape does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}

void CAboutDlg::OnTimer() {
    if (m_logoWindow)
        m_logoWindow->DrawFrame();
    if (m_medallion)
        m_medallion->DrawNextFrame();
}

void CAboutDlg::done(int result) {
    m_timer.stop();
    QDialog::done(result);
}

}  // namespace kavitro
