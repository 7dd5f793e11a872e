#pragma once

// The main window: the ribbon, the document windows as tabs of an MDI area,
// the status bar with the information pane and the page navigator. It
// carries out the file commands, routes the view commands to the active
// document window, keeps the ribbon's boxes in step with the selection and
// stores its own placement.

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/ApplicationLook.h"
#include "platform/Notifier.h"

class CPageViewWidget;
class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolButton;

namespace kavitro {

class CChildFrame;
class PageListModel;
class CKavitroApp;
class CKavitroView;
class CLockKeyIndicators;
class CRecentFileList;
class CRibbon;

class CMainFrame final : public QMainWindow, public MessageTarget {
    Q_OBJECT
public:
    // The status bar's elements.
    static constexpr std::uint32_t kInformationPane = 149;
    static constexpr std::uint32_t kPageCombo = 150;
    static constexpr std::uint32_t kNextPage = 151;
    static constexpr std::uint32_t kPreviousPage = 152;

    explicit CMainFrame(CKavitroApp& app);
    ~CMainFrame() override;

    TargetId Id() const { return m_id; }
    CChildFrame* ActiveChild() const;
    CKavitroView* ActiveView() const;
    std::vector<CChildFrame*> Children() const;

    // A new untitled document in a new window.
    CChildFrame* NewDocument();
    // Opens a document (a window already showing it is activated); a failure
    // is told once and gives null.
    CChildFrame* OpenDocument(const QString& path);
    // Saves, asking for a name when the document has none or saveAs is set.
    bool SaveDocument(CChildFrame& child, bool saveAs);
    // The modified prompt: true when the document may close.
    bool CanCloseDocument(CChildFrame& child);

    // Every text again from the language pack in use, and the layout direction.
    void Retranslate();
    // Shows a message posted to the main frame (zoom, selection).
    void OnMessage(const PostedMessage& message) override;

    QAction* Action(std::uint32_t id) const;
    QLabel* InformationPane() const { return m_information; }
    QComboBox* PageList() const { return m_pages; }
    const CRecentFileList& RecentFiles() const { return *m_recentFiles; }
    CRibbon* Ribbon() const { return m_ribbon; }
    // Runs a command as the ribbon or a menu does.
    bool RunCommand(std::uint32_t id);
    // The enabled and checked state of every command, from the active view.
    void UpdateCommands();
    // The keyboard to the active document's page view, in an active frame;
    // nothing while a modal dialog is open.
    void ReturnFocusToView();

signals:
    // The zoom box shows a new zoom (percent).
    void zoomShown(int zoom);
    // The selection changed: the ribbon's size, angle and colour follow.
    void selectionShown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddCommand(std::uint32_t id, const QKeySequence& shortcut, std::function<void()> handler);
    void BuildActions();
    void ConnectViewHooks();
    bool RunViewCommand(std::uint32_t id);
    void ShowSelection();
    void ShowAbout();
    bool ShowPageProperties();
    void Connect(CChildFrame& child);
    // The popup menu a page view asks for: the alternatives of a word, or
    // what can be done with the object under the pointer.
    void ShowPopupMenu(CPageViewWidget& widget, std::uint32_t menuId, QPoint globalPos);
    void BuildStatusBar();
    // The looks' drop-down in the ribbon's corner.
    void BuildLookMenu();
    void OnApplicationLook(std::uint32_t id);
    void OnSubWindowActivated(QMdiSubWindow* window);
    void ShowPageList(CChildFrame* child);
    void OnFileOpen();
    bool AskFileName(bool open, QString& fileName);
    void StorePlacement();
    void RestorePlacement();
    // The outer rectangle of the window when it is not maximised.
    QRect NormalFrameGeometry() const;
    void UpdateTitle();
    // The recent documents on their buttons; an entry that cannot be opened
    // (gone, or no document) is told by the document and leaves the list.
    void ShowRecentFiles();
    void OpenRecentFile(int index);
    // Prints the whole document on the default printer, without a dialog.
    void PrintDirect(CChildFrame& child);

    CKavitroApp& m_app;
    TargetId m_id = kNoTarget;
    QMdiArea* m_mdi = nullptr;
    CRibbon* m_ribbon = nullptr;
    QLabel* m_information = nullptr;
    QToolButton* m_previousPage = nullptr;
    QComboBox* m_pages = nullptr;
    PageListModel* m_pageModel = nullptr;  // the items of m_pages
    QToolButton* m_nextPage = nullptr;
    CLockKeyIndicators* m_lockKeys = nullptr;
    QTimer* m_updateTimer = nullptr;
    std::map<std::uint32_t, QAction*> m_actions;
    std::vector<std::uint32_t> m_viewActions;  // commands run on the active view
    int m_untitledCount = 0;
    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::optional<QRect> m_pendingPlacement;  // restored size, applied at the first show
    CApplicationLooks m_looks;
    DesktopLook m_desktopLook = DesktopLook::Current();
    QToolButton* m_lookButton = nullptr;
};

}  // namespace kavitro
