#pragma once

// The About box: the pack's logo as its background, the version line, and,
// from the first double click on, a scrolling text of names and credits and
// a medallion turning in the top-right corner, both stepped every 100 ms.
// The medallion's frames are the pack's pictures DAT1 .. DAT32; the colour
// of a frame's pixel (0, 0) is transparent, so the logo shows around it.

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

namespace kavitro {

class ErrorReport;
class LanguagePack;

// One frame file: read with its size checked before it is decoded, stretched
// to `size` (pixel for pixel, so the key colour stays exact), and its colour
// key made transparent. Nothing for a missing, unreadable or oversized file.
std::optional<QImage> LoadKeyedFrame(const QString& path, QSize size);

// The scrolling text: lines, each with its own pixel size, rising from the
// bottom edge one pixel a step and starting again after 600 steps.
class CKavitroLogo final : public QWidget {
public:
    static constexpr int kScrollEnd = 600;

    CKavitroLogo(const QString& fontFamily, QWidget* parent);
    void AddLine(const QString& text, int pixelSize);
    void DrawFrame();
    int ScrollOffset() const { return m_scroll; }
    bool IsScrolling() const { return m_scrolling; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Line {
        QString text;
        int pixelSize;
    };
    QString m_fontFamily;
    std::vector<Line> m_lines;
    int m_scroll = 0;        // where the next step draws
    int m_drawnOffset = 0;   // where the last step drew
    bool m_scrolling = false;
};

// The version line; a click opens the program's home page when there is one.
class CKavitroVersion final : public QWidget {
public:
    CKavitroVersion(const QString& text, const QString& fontFamily, QWidget* parent);
    const QString& Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_text;
    QString m_fontFamily;
};

// The turning medallion: loads its frames at its first step and shows one
// more frame each step. Frames that cannot all be loaded give message 11040
// once, and the window stays empty.
class CMM3DObject final : public QWidget {
public:
    static constexpr int kFrameCount = 32;

    CMM3DObject(const LanguagePack& pack, ErrorReport& report, QWidget* parent);
    void DrawNextFrame();
    // The frame shown, -1 before the first step or without frames.
    int ShownFrame() const { return m_shown; }
    std::size_t FrameCount() const { return m_frames.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool LoadFrames();

    const LanguagePack& m_pack;
    ErrorReport& m_report;
    std::vector<QImage> m_frames;
    bool m_loadTried = false;
    int m_counter = 0;
    int m_shown = -1;
};

class CAboutDlg final : public QDialog {
public:
    // Size of the box when the pack has no logo.
    static constexpr QSize kTemplateSize{400, 380};

    CAboutDlg(const LanguagePack& pack, ErrorReport& report, const QCursor& linkCursor, QWidget* parent = nullptr);

    bool IsAnimating() const { return m_timer.isActive(); }
    // One step of the animation: the scrolling text, then the medallion.
    void OnTimer();

    // The child windows; null when the pack has no logo.
    CKavitroLogo* LogoWindow() const { return m_logoWindow; }
    CKavitroVersion* VersionWindow() const { return m_versionWindow; }
    CMM3DObject* MedallionWindow() const { return m_medallion; }

    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildText(const LanguagePack& pack, const QString& versionLine);

    QPixmap m_logo;
    QTimer m_timer;
    QPointer<CKavitroLogo> m_logoWindow;
    QPointer<CKavitroVersion> m_versionWindow;
    QPointer<CMM3DObject> m_medallion;
};

}  // namespace kavitro
