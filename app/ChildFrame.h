#pragma once

// A document window: owns its document and the page views that show it
// (one, or up to two rows by two columns of panes, each with its own
// selection), follows page changes in every pane (the page list of the
// status bar is the main frame's) and asks before a modified document is
// closed.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/KavitroDoc.h"
#include "platform/Notifier.h"

class CPageViewWidget;
class CRulerWidget;
class QSplitter;
class QToolButton;

namespace kavitro {

class CKavitroView;

class CChildFrame final : public QWidget, public MessageTarget {
    Q_OBJECT
public:
    // Takes the document; registers with the notifier for the frame's messages.
    CChildFrame(std::unique_ptr<CKavitroDoc> document, QueuedNotifier& notifier, int untitledNumber,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    static constexpr int kMaxRows = 2;
    static constexpr int kMaxColumns = 2;

    CKavitroDoc& Document() { return *m_document; }
    // The active pane (the one that last had the focus) and its view.
    CKavitroView& View();
    CPageViewWidget& ViewWidget() { return *m_active; }
    // Every pane, row by row.
    std::vector<CPageViewWidget*> Panes() const;
    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    // Splits the window into rows x columns panes (1 or 2 each). New panes
    // show the active pane's page; panes that go are the last ones.
    void SetSplit(int rows, int columns);
    // What the shell does with each pane, now and for every later one.
    using PaneSetup = std::function<void(CPageViewWidget&)>;
    void SetPaneSetup(PaneSetup setup);
    TargetId Id() const { return m_id; }
    // The file name, or "Untitled<n>" for a new document, and a '*' when
    // modified, as a label (a '&' doubled): for the tab.
    QString Title() const;
    // The same name as plain text: for messages and the window title.
    QString DisplayName() const;
    // The name as it goes into a title beside other text: a name holding
    // right-to-left letters is set apart (U+2068 ... U+2069), so that it
    // keeps its own order and does not reorder the text around it.
    QString IsolatedName() const;
    std::uint32_t PageCount() const;
    std::uint32_t CurrentPage() const;
    // The rulers, by their commands (59408 horizontal, 59409 vertical): shown
    // or hidden. New windows start as the last change or the last window
    // closed left them.
    bool IsRulerVisible(std::uint32_t command) const;
    void ToggleRuler(std::uint32_t command);
    static constexpr const char* kBarStateSection = "ChildFrame";

    // The messages posted to this frame: show a page, refresh the rulers.
    void OnMessage(const PostedMessage& message) override;

    // Asks the main frame whether the document may close (saved or not).
    using CloseGuard = std::function<bool(CChildFrame&)>;
    void SetCloseGuard(CloseGuard guard) { m_closeGuard = std::move(guard); }

signals:
    // The page shown or the page count changed.
    void pageChanged(CChildFrame* frame);
    // The view's frame-level message to the main frame (zoom, selection).
    void mainFrameMessage(const PostedMessage& message);
    // Another pane became the active one.
    void activePaneChanged(CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowPage(WParam page, LParam count);
    CPageViewWidget* MakePane();
    void Activate(CPageViewWidget* pane);
    void OnSplitterMoved(QSplitter* splitter);
    // Every pane follows a new zoom: scroll sizes and a repaint.
    void RefreshPanes();
    CRulerWidget* Ruler(std::uint32_t command) const;
    void LoadBarState();
    void SaveBarState() const;

    std::unique_ptr<CKavitroDoc> m_document;
    QueuedNotifier& m_notifier;
    TargetId m_id = kNoTarget;
    int m_untitledNumber = 1;
    QSplitter* m_rowSplitter = nullptr;                  // the rows, top to bottom
    std::array<QSplitter*, kMaxRows> m_rowPanes{};       // each row's panes
    std::array<std::array<CPageViewWidget*, kMaxColumns>, kMaxRows> m_panes{};
    int m_rows = 1;
    int m_columns = 1;
    CPageViewWidget* m_active = nullptr;
    PaneSetup m_paneSetup;
    QToolButton* m_rowSplitBox = nullptr;
    QToolButton* m_columnSplitBox = nullptr;
    CRulerWidget* m_horizontalRuler = nullptr;
    CRulerWidget* m_verticalRuler = nullptr;
    CloseGuard m_closeGuard;
};

}  // namespace kavitro
