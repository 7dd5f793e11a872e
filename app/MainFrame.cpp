#include "app/MainFrame.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "app/AboutBox.h"
#include "app/AlternativesMenu.h"
#include "app/ChildFrame.h"
#include "app/FrameCommands.h"
#include "app/FramePlacement.h"
#include "app/KavitroApp.h"
#include "app/LockKeyIndicators.h"
#include "app/ObjectMenu.h"
#include "app/PageListModel.h"
#include "app/PageViewWidget.h"
#include "app/LanguagePack.h"
#include "app/PackPicture.h"
#include "app/PrintExport.h"
#include "app/RecentFileList.h"
#include "app/Ribbon.h"
#include "app/RibbonLayout.h"
#include "app/RibbonState.h"
#include "app/Version.h"
#include "app/WindowsDialog.h"
#include "app/CommandLinePrint.h"
#include "view/PagePrinter.h"
#include "app/dialogs/FilePrompt.h"
#include "app/import/ImportWizard.h"
#include "app/keyboard/KeyboardDialog.h"
#include "app/dialogs/PagePropertyPages.h"
#include "view/AlternativesPopup.h"
#include "view/CommandIds.h"
#include "view/DropTarget.h"
#include "view/tools/ObjectTools.h"
#include "view/RibbonValues.h"
#include "view/ViewCommands.h"
#include "document/Kavitro1XDoc.h"
#include "document/StringIds.h"
#include "engine/CalligraphyEngine.h"
#include "view/CommandRegistry.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

// How often the commands' enabled and checked states are refreshed: often
// enough to look immediate, rarely enough to cost nothing.
constexpr int kUpdateIntervalMs = 200;

// The page navigator's pictures: strips of square images in the language
// pack, 143 at 16 pixels and 145 at 32; image 1 is the next page, 2 the
// previous one, both drawn for pages that run right to left.
constexpr int kNextPageImage = 1;
constexpr int kPreviousPageImage = 2;

QIcon PageNavigatorIcon(const LanguagePack& pack, int image, bool mirrored) {
    QIcon icon;
    for (const auto& [strip, side] : {std::pair{QStringLiteral("143"), 16}, std::pair{QStringLiteral("145"), 32}}) {
        const std::optional<QImage> pictures = ReadPackPicture(pack.ImagePath(strip));
        if (!pictures || pictures->height() != side || pictures->width() < (image + 1) * side)
            continue;
        icon.addPixmap(QPixmap::fromImage(pictures->copy(image * side, 0, side, side).mirrored(mirrored, false)));
    }
    return icon;
}

}  // namespace

CMainFrame::CMainFrame(CKavitroApp& app) : m_app(app) {
    setObjectName(QStringLiteral("MainFrame"));
    m_id = m_app.Notifier().AddTarget(*this);
    m_recentFiles = std::make_unique<CRecentFileList>(m_app.Profile());
    m_mdi = new QMdiArea(this);
    m_mdi->setViewMode(QMdiArea::TabbedView);
    m_mdi->setTabsClosable(true);
    m_mdi->setTabsMovable(true);
    m_mdi->setDocumentMode(true);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    BuildActions();
    m_ribbon = new CRibbon([this](std::uint32_t id) { return Action(id); }, this);
    setMenuWidget(m_ribbon);
    connect(m_ribbon, &CRibbon::commandRequested, this, [this](std::uint32_t id) { RunCommand(id); });
    connect(m_ribbon, &CRibbon::comboApplied, this, &CMainFrame::ReturnFocusToView);
    connect(this, &CMainFrame::zoomShown, m_ribbon, &CRibbon::ShowZoom);
    connect(this, &CMainFrame::selectionShown, this, &CMainFrame::ShowSelection);
    BuildStatusBar();
    BuildLookMenu();
    ConnectViewHooks();
    Retranslate();
    RestorePlacement();

    m_updateTimer = new QTimer(this);
    m_updateTimer->setInterval(kUpdateIntervalMs);
    connect(m_updateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommands);
    m_updateTimer->start();
    // Every modal dialog of the shell (file, message, property, colour and
    // print dialogs) is watched from here, to give the keyboard back.
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
    CObjectTextTool::SetRibbonQuery({});
    CDropTarget::SetDocumentOpener({});
    // Document windows go before the frame's own members, without questions:
    // the frame is going whatever the answers.
    for (CChildFrame* child : Children())
        child->SetCloseGuard({});
    m_mdi->closeAllSubWindows();
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        delete w;
    m_app.Notifier().RemoveTarget(m_id);
}

QAction* CMainFrame::AddCommand(std::uint32_t id, const QKeySequence& shortcut, std::function<void()> handler) {
    auto* action = new QAction(this);
    action->setData(id);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    addAction(action);
    m_actions[id] = action;
    return action;
}

void CMainFrame::BuildActions() {
    using namespace FrameCommand;
    AddCommand(FileNew, QKeySequence::New, [this] { NewDocument(); });
    AddCommand(FileOpen, QKeySequence::Open, [this] { OnFileOpen(); });
    AddCommand(FileClose, QKeySequence::Close, [this] {
        if (QMdiSubWindow* w = m_mdi->activeSubWindow())
            w->close();
    });
    AddCommand(FileSave, QKeySequence::Save, [this] {
        if (CChildFrame* child = ActiveChild())
            SaveDocument(*child, false);
    });
    QAction* saveAs = AddCommand(FileSaveAs, QKeySequence::SaveAs, [this] {
        if (CChildFrame* child = ActiveChild())
            SaveDocument(*child, true);
    });
    // Several desktops' key tables have no Save As key at all: Ctrl+Shift+S
    // holds everywhere.
    if (const QKeySequence ctrlShiftS(Qt::CTRL | Qt::SHIFT | Qt::Key_S); !saveAs->shortcuts().contains(ctrlShiftS))
        saveAs->setShortcuts(saveAs->shortcuts() << ctrlShiftS);
    AddCommand(AppExit, QKeySequence::Quit, [this] { close(); });
    AddCommand(SwitchLanguage, {}, [this] { m_app.SwitchLanguage(); });
    AddCommand(WindowsDialog, {}, [this] {
        CWindowsDialog dialog(*m_mdi, m_app.Pack(), this);
        dialog.exec();
    });
    for (std::uint32_t k = 0; k < RecentFileCount; ++k)
        AddCommand(RecentFile1 + k, {}, [this, k] { OpenRecentFile(static_cast<int>(k)); });
    for (std::uint32_t ruler : {ViewHorizontalRuler, ViewVerticalRuler}) {
        AddCommand(ruler, {}, [this, ruler] {
            if (CChildFrame* child = ActiveChild())
                child->ToggleRuler(ruler);
            UpdateCommands();
        })->setCheckable(true);
    }
    const auto withView = [this](auto&& run) {
        return [this, run] {
            if (CKavitroView* view = ActiveView())
                run(*view);
        };
    };
    AddCommand(FilePrint, QKeySequence::Print, withView([this](CKavitroView& v) { PrintInteractive(this, v, false); }));
    AddCommand(FilePrintDirect, {}, [this] {
        if (CChildFrame* child = ActiveChild())
            PrintDirect(*child);
    });
    AddCommand(FilePrintPreview, {}, withView([this](CKavitroView& v) { PrintInteractive(this, v, true); }));
    AddCommand(FilePageSetup, {}, withView([this](CKavitroView& v) { PageSetupInteractive(this, v); }));
    AddCommand(Export, {}, withView([this](CKavitroView& v) { ExportPageInteractive(this, v); }));
    AddCommand(ImportText, {}, withView([this](CKavitroView& v) { RunImportWizard(this, &v); }));
    AddCommand(AppAbout, {}, [this] { ShowAbout(); });
    AddCommand(PageProperties, {}, [this] { ShowPageProperties(); });
    for (std::uint32_t id = CApplicationLooks::kFirst; id <= CApplicationLooks::kLast; ++id)
        AddCommand(id, {}, [this, id] { OnApplicationLook(id); })->setCheckable(true);
    AddCommand(Keyboard, {}, [this] {
        RunKeyboardDialog(this, m_app.Keyboard(), m_app.ProgramFolder(), &m_app.Report());
    });

    // The view's commands on the ribbon, each run on the active view.
    const std::map<std::uint32_t, QKeySequence> shortcuts = {
        {ViewCommand::EditUndo, QKeySequence::Undo},   {ViewCommand::EditRedo, QKeySequence::Redo},
        {ViewCommand::EditCut, QKeySequence::Cut},     {ViewCommand::EditCopy, QKeySequence::Copy},
        {ViewCommand::EditPaste, QKeySequence::Paste}, {ViewCommand::EditSelectAll, QKeySequence::SelectAll},
    };
    for (const RibbonTab& tab : RibbonTabs()) {
        for (const RibbonGroup& group : tab.groups) {
            for (const RibbonItem& item : group.items) {
                const bool button = item.element == RibbonElement::LargeButton ||
                                    item.element == RibbonElement::SmallButton ||
                                    item.element == RibbonElement::Gallery;
                if (!button || Action(item.command))
                    continue;
                const auto shortcut = shortcuts.find(item.command);
                QAction* action = AddCommand(item.command,
                                             shortcut == shortcuts.end() ? QKeySequence() : shortcut->second,
                                             [this, id = item.command] { RunViewCommand(id); });
                action->setCheckable(IsCheckableCommand(item.command));
                // Ctrl+Y redoes as well, as users of the program expect,
                // instead of reaching the text as a typed key.
                if (item.command == ViewCommand::EditRedo)
                    action->setShortcuts(QKeySequence::keyBindings(QKeySequence::Redo)
                                         << QKeySequence(Qt::CTRL | Qt::Key_Y));
                m_viewActions.push_back(item.command);
            }
        }
    }
}

void CMainFrame::ConnectViewHooks() {
    ViewCommandHooks& hooks = GetViewCommandHooks();
    hooks.comboText = [this](std::uint32_t id) { return m_ribbon->ComboText(id).toStdU16String(); };
    hooks.ribbonTextColor = [this] { return m_ribbon->TextColour(); };
    hooks.gallerySelection = [this](std::uint32_t id) { return m_ribbon->GallerySelection(id); };
    hooks.setGalleryImage = [this](std::uint32_t id, std::int32_t image) { m_ribbon->SetGalleryImage(id, image); };
    hooks.pageComboSelection = [this]() -> std::optional<std::int32_t> {
        if (m_pages->currentIndex() < 0)
            return std::nullopt;
        return m_pages->currentIndex();
    };
    hooks.shiftDown = [] { return (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) != 0; };
    hooks.chooseColor = [this]() -> std::optional<COLORREF> {
        const QColor chosen = QColorDialog::getColor(Qt::black, this);
        if (!chosen.isValid())
            return std::nullopt;
        return static_cast<COLORREF>(chosen.red()) | static_cast<COLORREF>(chosen.green()) << 8 |
               static_cast<COLORREF>(chosen.blue()) << 16;
    };
    RibbonValues& values = RibbonValues::Current();
    values.textSize = [this] {
        return ReadRibbonTextSize(m_ribbon->ComboText(ViewCommand::TextSizeCombo), m_app.Properties());
    };
    values.angle = [this] { return ReadRibbonAngle(m_ribbon->ComboText(ViewCommand::TextAngleCombo)); };
    CObjectTextTool::SetRibbonQuery([this] {
        return RibbonTextSettings{
            ReadRibbonTextSize(m_ribbon->ComboText(ViewCommand::TextSizeCombo), m_app.Properties()),
            ReadRibbonAngle(m_ribbon->ComboText(ViewCommand::TextAngleCombo))};
    });
    // Documents dropped on a page view open in windows of their own.
    CDropTarget::SetDocumentOpener([this](const std::filesystem::path& path) {
        return OpenDocument(QString::fromStdString(path.string())) != nullptr;
    });
}

void CMainFrame::ShowSelection() {
    CKavitroView* view = ActiveView();
    const std::vector<CDrawObj*> none;
    const RibbonSelectionState state =
        ComputeRibbonState(view ? view->GetSelection().GetObjects() : none, m_app.Properties());
    m_ribbon->SetComboText(ViewCommand::TextSizeCombo, state.sizeText);
    m_ribbon->SetComboText(ViewCommand::TextAngleCombo, state.angleText);
    if (state.colour != m_ribbon->TextColour())
        m_ribbon->SetTextColour(state.colour);
}

bool CMainFrame::ShowPageProperties() {
    // The guide-line page edits the guide lines of the active window's page.
    CKavitroView* view = ActiveView();
    if (!RunPageProperties(this, m_app.Properties(), view ? &view->GetDocument() : nullptr,
                           view ? view->GetCurrentPage() : 0))
        return false;
    // The writing mode holds for the letters typed from now on.
    CCalligraphyEngine::GetInstance().SetMode(m_app.Properties()[CApplicationProperties::ZurazOrovaWriting]);
    // Grid, guide and paper settings show at once in every window.
    for (CChildFrame* child : Children())
        child->Document().UpdateAllViews(nullptr);
    return true;
}

void CMainFrame::ShowAbout() {
    // Slot 1 of the cursor table marks the version line as a link.
    CAboutDlg box(m_app.Pack(), m_app.Report(), m_app.Cursor(1), this);
    box.exec();
}

bool CMainFrame::RunViewCommand(std::uint32_t id) {
    CKavitroView* view = ActiveView();
    if (!view)
        return false;
    CCommandRegistry& registry = CCommandRegistry::ViewCommands();
    if (!registry.Update(id, *view).enabled)
        return false;
    const bool done = registry.Execute(id, *view);
    UpdateCommands();
    return done;
}

void CMainFrame::BuildStatusBar() {
    m_information = new QLabel(this);
    m_information->setObjectName(QStringLiteral("InformationPane"));
    // Wide enough for the longest message the pane shows.
    m_information->setMinimumWidth(
        m_information->fontMetrics().horizontalAdvance(QStringLiteral("X: 00000.00 mm   Y: 00000.00 mm")));
    statusBar()->addWidget(m_information, 1);

    m_previousPage = new QToolButton(this);
    m_previousPage->setObjectName(QStringLiteral("PrevPage"));
    m_previousPage->setArrowType(Qt::LeftArrow);
    m_previousPage->setAutoRaise(true);
    m_pages = new QComboBox(this);
    m_pages->setObjectName(QStringLiteral("Pages"));
    m_pageModel = new PageListModel(m_pages);
    m_pages->setModel(m_pageModel);
    // Sized by its widest number, not by measuring every page's item.
    m_pages->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pages->setMinimumContentsLength(3);
    m_nextPage = new QToolButton(this);
    m_nextPage->setObjectName(QStringLiteral("NextPage"));
    m_nextPage->setArrowType(Qt::RightArrow);
    m_nextPage->setAutoRaise(true);
    statusBar()->addPermanentWidget(m_previousPage);
    statusBar()->addPermanentWidget(m_pages);
    statusBar()->addPermanentWidget(m_nextPage);
    m_lockKeys = new CLockKeyIndicators(*statusBar());
    connect(m_previousPage, &QToolButton::clicked, this, [this] { RunCommand(kPreviousPage); });
    connect(m_nextPage, &QToolButton::clicked, this, [this] { RunCommand(kNextPage); });
    connect(m_pages, &QComboBox::activated, this, [this](int index) {
        CChildFrame* child = ActiveChild();
        if (!child || index < 0)
            return;
        child->View().GetHost().Post(PostTarget::ParentFrame, NotifyMessage::ShowPage, static_cast<WParam>(index),
                                     static_cast<LParam>(child->PageCount()));
    });
}

void CMainFrame::BuildLookMenu() {
    m_lookButton = new QToolButton(m_ribbon);
    m_lookButton->setObjectName(QStringLiteral("ApplicationLook"));
    m_lookButton->setAutoRaise(true);
    m_lookButton->setPopupMode(QToolButton::InstantPopup);
    // Four swatches of the colour schemes stand for the looks.
    QPixmap swatches(16, 16);
    swatches.fill(Qt::transparent);
    {
        QPainter painter(&swatches);
        const QColor colours[] = {{0x3D, 0x7B, 0xC4}, {0x53, 0x53, 0x53}, {0xB0, 0xB8, 0xC4}, {0x2E, 0x8B, 0x9A}};
        for (int i = 0; i < 4; ++i)
            painter.fillRect(QRect((i % 2) * 8 + 1, (i / 2) * 8 + 1, 6, 6), colours[i]);
    }
    m_lookButton->setIcon(QIcon(swatches));
    auto* menu = new QMenu(m_lookButton);
    menu->setObjectName(QStringLiteral("ApplicationLookMenu"));
    // 211 to 214 keep the scheme in force: one entry, 211, stands for them.
    for (std::uint32_t id = CApplicationLooks::kFirst; id <= CApplicationLooks::kLast; ++id) {
        if (id > 211 && id < 215)
            continue;
        menu->addAction(Action(id));
    }
    m_lookButton->setMenu(menu);
    m_lookButton->setToolTip(CApplicationLooks::Name(m_looks.Current()));
    m_ribbon->setCornerWidget(m_lookButton, Qt::TopRightCorner);
}

void CMainFrame::OnApplicationLook(std::uint32_t id) {
    if (!m_looks.Choose(id))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ApplyApplicationLook(m_looks.Look(), m_desktopLook);
    QApplication::restoreOverrideCursor();
    m_lookButton->setToolTip(CApplicationLooks::Name(id));
    UpdateCommands();
}

void CMainFrame::Retranslate() {
    const LanguagePack& pack = m_app.Pack();
    const Qt::LayoutDirection direction = pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    QApplication::setLayoutDirection(direction);
    setLayoutDirection(direction);
    for (auto& [id, action] : m_actions) {
        // The looks are named after products, the same in every language.
        const QString text = CApplicationLooks::IsLookCommand(id) ? CApplicationLooks::Name(id) : pack.Text(id);
        action->setText(text);
        action->setIconText(QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    }
    m_ribbon->Retranslate(pack);
    ShowRecentFiles();
    // The page arrows point the way the pages run.
    const bool rightToLeft = direction == Qt::RightToLeft;
    m_previousPage->setArrowType(rightToLeft ? Qt::RightArrow : Qt::LeftArrow);
    m_nextPage->setArrowType(rightToLeft ? Qt::LeftArrow : Qt::RightArrow);
    // The pack's own page arrows, where it has them, in place of the style's.
    for (auto [button, image] : {std::pair{m_previousPage, kPreviousPageImage}, std::pair{m_nextPage, kNextPageImage}}) {
        const QIcon icon = PageNavigatorIcon(pack, image, !rightToLeft);
        button->setIcon(icon);
        if (!icon.isNull())
            button->setArrowType(Qt::NoArrow);
    }
    m_previousPage->setToolTip(pack.Text(kPreviousPage));
    m_nextPage->setToolTip(pack.Text(kNextPage));
    m_pages->setToolTip(pack.Text(kPageCombo));
    m_lockKeys->Retranslate(pack);
    // The pointer's position was written in the old language: the next
    // move writes it again in the new one, and nothing shows the old meanwhile.
    m_information->clear();
    statusBar()->clearMessage();
    for (CChildFrame* child : Children()) {
        if (auto* window = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
            window->setWindowTitle(child->Title());
    }
    UpdateTitle();
}

CChildFrame* CMainFrame::ActiveChild() const {
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window && !m_mdi->subWindowList().isEmpty())
        window = m_mdi->currentSubWindow();
    return window ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
}

CKavitroView* CMainFrame::ActiveView() const {
    CChildFrame* child = ActiveChild();
    return child ? &child->View() : nullptr;
}

std::vector<CChildFrame*> CMainFrame::Children() const {
    std::vector<CChildFrame*> children;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(w->widget()))
            children.push_back(child);
    }
    return children;
}

namespace {

CChildFrame* AddWindow(QMdiArea& mdi, CChildFrame* child) {
    QMdiSubWindow* window = mdi.addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(child->Title());
    window->showMaximized();
    mdi.setActiveSubWindow(window);
    child->setFocus();
    return child;
}

}  // namespace

void CMainFrame::Connect(CChildFrame& child) {
    child.SetCloseGuard([this](CChildFrame& frame) { return CanCloseDocument(frame); });
    connect(&child, &CChildFrame::pageChanged, this, &CMainFrame::ShowPageList);
    connect(&child, &CChildFrame::mainFrameMessage, this, &CMainFrame::OnMessage);
    connect(&child, &CChildFrame::activePaneChanged, this, [this](CChildFrame* frame) {
        ShowPageList(frame);
        ShowSelection();
        UpdateCommands();
    });
    child.SetPaneSetup([this](CPageViewWidget& pane) {
        // Only the pane under the pointer (or the one a ruler drags a guide
        // line into) reports a position: every page view writes it here.
        connect(&pane, &CPageViewWidget::cursorPositionShown, m_information, &QLabel::setText);
        pane.SetPopupMenuHandler([this](CPageViewWidget& widget, std::uint32_t menuId, QPoint at) {
            ShowPopupMenu(widget, menuId, at);
        });
        // A double click on a guide line opens the page properties.
        pane.SetDialogHandler([this](CPageViewWidget&, std::uint32_t dialogId) {
            return dialogId == FrameCommand::PageProperties && ShowPageProperties();
        });
    });
}

void CMainFrame::ShowPopupMenu(CPageViewWidget& widget, std::uint32_t menuId, QPoint globalPos) {
    std::optional<std::uint32_t> chosen;
    if (menuId == CAlternativesPopup::kMenuId) {
        const CAlternativesPopup& popup = CAlternativesPopup::Instance();
        CAlternativesMenu menu(popup.GetParagraph(), popup.GetCount(), this);
        chosen = menu.Choose(globalPos);
    } else if (menuId == CKavitroView::kContextMenuId) {
        // The view has just made the object under the pointer its selection:
        // the items are enabled for that selection.
        CObjectMenu menu(m_app.Pack(), widget.GetView(), this);
        chosen = menu.Choose(globalPos);
    }
    // The choice goes to the view that asked, as its own command.
    if (chosen) {
        CCommandRegistry::ViewCommands().Execute(*chosen, widget.GetView());
        UpdateCommands();
    }
}

CChildFrame* CMainFrame::NewDocument() {
    auto document = std::make_unique<CKavitroDoc>();
    if (!document->OnNewDocument())
        return nullptr;
    auto* child = new CChildFrame(std::move(document), m_app.Notifier(), ++m_untitledCount);
    Connect(*child);
    AddWindow(*m_mdi, child);
    return child;
}

CChildFrame* CMainFrame::OpenDocument(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (CChildFrame* child : Children()) {
        if (!canonical.isEmpty() && QFileInfo(child->Document().GetPathName()).canonicalFilePath() == canonical) {
            m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(child->parentWidget()));
            return child;
        }
    }
    // The document tells the user why it cannot be opened.
    std::unique_ptr<CKavitroDoc> document;
    if (QFileInfo(path).suffix().compare(QStringLiteral("kvl"), Qt::CaseInsensitive) == 0) {
        // An old document is converted once, for the screen it is shown on,
        // and saved in the current format: beside it, or wherever the user
        // says when a file of that name is there already.
        const QScreen* screen = QGuiApplication::primaryScreen();
        auto old = std::make_unique<CKavitro1XDoc>(
            DocumentServices::Current(), screen ? std::optional<std::int32_t>(screen->size().width()) : std::nullopt);
        if (!old->OnOpenDocument(QFileInfo(path).absoluteFilePath()))
            return nullptr;
        const CKavitro1XDoc::SaveTarget target = old->GetVersion2SaveTarget();
        old->SetPathName(target.prompt ? QString() : target.path);
        document = std::move(old);
    } else {
        document = std::make_unique<CKavitroDoc>();
        if (!document->OnOpenDocument(QFileInfo(path).absoluteFilePath()))
            return nullptr;
    }
    auto* child = new CChildFrame(std::move(document), m_app.Notifier(), 0);
    Connect(*child);
    AddWindow(*m_mdi, child);
    m_recentFiles->Add(path);
    ShowRecentFiles();
    return child;
}

void CMainFrame::ShowRecentFiles() {
    const QStringList& entries = m_recentFiles->Entries();
    for (std::uint32_t k = 0; k < FrameCommand::RecentFileCount; ++k) {
        QAction* action = Action(FrameCommand::RecentFile1 + k);
        const int index = static_cast<int>(k);
        const bool listed = index < entries.size();
        action->setText(m_recentFiles->MenuText(index));
        action->setIconText(m_recentFiles->MenuText(index).remove(0, 1));
        action->setToolTip(listed ? entries[index] : QString());
        action->setVisible(listed);
        // A ribbon button does not follow its action's visibility; the group
        // shows only while it has an entry.
        for (QToolButton* button : m_ribbon->findChildren<QToolButton*>()) {
            if (button->defaultAction() != action)
                continue;
            button->setVisible(listed);
            if (QWidget* group = button->parentWidget(); group && group != m_ribbon)
                group->setVisible(!entries.isEmpty());
        }
    }
}

void CMainFrame::OpenRecentFile(int index) {
    const QStringList& entries = m_recentFiles->Entries();
    if (index < 0 || index >= entries.size())
        return;
    const QString path = entries[index];
    if (!OpenDocument(path)) {
        m_recentFiles->Remove(static_cast<int>(m_recentFiles->Entries().indexOf(path)));
        ShowRecentFiles();
    }
}

void CMainFrame::PrintDirect(CChildFrame& child) {
    std::unique_ptr<QPrinter> printer = m_app.MakePrinter();
    if (!printer) {
        m_app.Report().ReportError(StringId::NoPrinter, MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    CKavitroDoc& document = child.Document();
    // The printer is asked for the document's paper; a size it has not is told.
    document.MatchPrinterPaper();
    printer->setDocName(child.DisplayName());
    printer->setPageLayout(DocumentPageLayout(document));
    if (!PrintPages(child.View(), *printer, PrintJob{}))
        m_app.Report().ReportFileError(StringId::PrintFailed, child.DisplayName().toStdU16String(),
                                       StringId::ReasonPrinterRefused);
}

bool CMainFrame::AskFileName(bool open, QString& fileName) {
    if (!DoPromptFileName(this, fileName, open ? StringId::OpenFileTitle : StringId::SaveFileTitle, open))
        return false;
    if (!open && QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".kv2");
    return true;
}

void CMainFrame::OnFileOpen() {
    QString fileName;
    if (AskFileName(true, fileName))
        OpenDocument(fileName);
}

bool CMainFrame::SaveDocument(CChildFrame& child, bool saveAs) {
    CKavitroDoc& document = child.Document();
    QString path = document.GetPathName();
    if (saveAs || path.isEmpty()) {
        QString fileName = path.isEmpty() ? child.DisplayName() : path;
        if (!AskFileName(false, fileName))
            return false;
        path = fileName;
    }
    // The document stores into memory and replaces the file atomically; it
    // tells the user itself when that fails.
    if (!document.OnSaveDocument(path))
        return false;
    document.SetPathName(path);
    document.SetModifiedFlag(false);
    m_recentFiles->Add(path);
    ShowRecentFiles();
    if (auto* window = qobject_cast<QMdiSubWindow*>(child.parentWidget()))
        window->setWindowTitle(child.Title());
    UpdateTitle();
    return true;
}

bool CMainFrame::CanCloseDocument(CChildFrame& child) {
    if (!child.Document().IsModified())
        return true;
    const QString text = m_app.Pack().Format(StringId::AskToSave, {child.DisplayName()});
    switch (m_app.Report().ReportError(text.toStdU16String(), MessageButtons::YesNoCancel, MessageIcon::Warning)) {
        case DialogResult::Yes:
            return SaveDocument(child, false);
        case DialogResult::No:
            return true;
        default:
            return false;
    }
}

QAction* CMainFrame::Action(std::uint32_t id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool CMainFrame::RunCommand(std::uint32_t id) {
    if (QAction* action = Action(id)) {
        if (!action->isEnabled())
            return false;
        action->trigger();
        return true;
    }
    return RunViewCommand(id);
}

void CMainFrame::UpdateCommands() {
    CChildFrame* child = ActiveChild();
    for (std::uint32_t id : {FrameCommand::FileClose, FrameCommand::FileSave, FrameCommand::FileSaveAs}) {
        if (QAction* action = Action(id))
            action->setEnabled(child != nullptr);
    }
    CKavitroView* view = child ? &child->View() : nullptr;
    CCommandRegistry& registry = CCommandRegistry::ViewCommands();
    const auto update = [&](std::uint32_t id) { return view ? registry.Update(id, *view) : CommandUpdate{}; };
    for (std::uint32_t id : m_viewActions) {
        const CommandUpdate state = update(id);
        QAction* action = m_actions[id];
        action->setEnabled(state.enabled);
        if (action->isCheckable())
            action->setChecked(state.checked);
    }
    for (std::uint32_t id : {FrameCommand::FilePrint, FrameCommand::FilePrintDirect, FrameCommand::FilePrintPreview,
                             FrameCommand::ImportText})
        m_actions[id]->setEnabled(view != nullptr);
    for (std::uint32_t id : {FrameCommand::ViewHorizontalRuler, FrameCommand::ViewVerticalRuler}) {
        m_actions[id]->setEnabled(child != nullptr);
        m_actions[id]->setChecked(child && child->IsRulerVisible(id));
    }
    // Page setup asks the system's printers for their papers.
    m_actions[FrameCommand::FilePageSetup]->setEnabled(view != nullptr && IsPageSetupAvailable());
    m_actions[FrameCommand::Export]->setEnabled(view != nullptr && CurrentPageHasText(*view));
    m_previousPage->setEnabled(update(kPreviousPage).enabled);
    m_nextPage->setEnabled(update(kNextPage).enabled);
    m_pages->setEnabled(update(kPageCombo).enabled);
    for (std::uint32_t id = CApplicationLooks::kFirst; id <= CApplicationLooks::kLast; ++id)
        m_actions[id]->setChecked(m_looks.IsChecked(id));
    m_lockKeys->Refresh();
    if (child && child->isWindowModified() != child->Document().IsModified()) {
        child->setWindowModified(child->Document().IsModified());
        if (auto* window = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
            window->setWindowModified(child->Document().IsModified());
        UpdateTitle();
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // When a modal dialog closes, the window system need not hand the
    // keyboard back to this frame, and Qt gives it to whichever widget had
    // it before: either way Ctrl+Z would not reach the document. The page
    // takes it once the last modal dialog is gone.
    if (event->type() == QEvent::Hide && watched != this) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isWindow() && widget->isModal())
            QTimer::singleShot(0, this, &CMainFrame::ReturnFocusToView);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::ReturnFocusToView() {
    if (QApplication::activeModalWidget() || !isVisible()) return;
    activateWindow();
    if (CChildFrame* child = ActiveChild()) child->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    CChildFrame* child = window ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
    ShowPageList(child);
    UpdateTitle();
    UpdateCommands();
    // The ribbon's boxes show the newly active view's selection at once,
    // not only after its first selection change.
    if (child)
        ShowSelection();
}

void CMainFrame::ShowPageList(CChildFrame* child) {
    if (child && child != ActiveChild())
        return;
    const int count = child ? static_cast<int>(child->PageCount()) : 0;
    m_pageModel->SetPageCount(count);
    m_pages->setMinimumContentsLength(std::max(3, static_cast<int>(QString::number(count).size())));
    if (child) {
        const int page = static_cast<int>(child->CurrentPage());
        if (page >= 0 && page < count && m_pages->currentIndex() != page)
            m_pages->setCurrentIndex(page);
    }
}

void CMainFrame::UpdateTitle() {
    const QString application = QStringLiteral("Kavitro");
    CChildFrame* child = ActiveChild();
    // The document's name comes before the program's.
    setWindowTitle(child ? child->IsolatedName() + (child->Document().IsModified() ? QStringLiteral("*") : QString()) +
                               QStringLiteral(" - ") + application
                         : application);
}

void CMainFrame::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case NotifyMessage::ZoomChanged:
            // All ones: no zoom to show.
            if (message.wParam == ~WParam{0} || static_cast<std::uint32_t>(message.wParam) == 0xFFFFFFFFu)
                return;
            emit zoomShown(static_cast<int>(message.wParam));
            if (CChildFrame* child = ActiveChild())
                m_app.Notifier().Post(child->Id(), NotifyMessage::UpdateRulers);
            break;
        case NotifyMessage::SelectionChanged:
            emit selectionShown();
            break;
        default:
            break;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Every document window asks for its own document; a cancel keeps all open.
    for (CChildFrame* child : Children()) {
        if (!CanCloseDocument(*child)) {
            event->ignore();
            return;
        }
        child->SetCloseGuard({});
    }
    StorePlacement();
    m_mdi->closeAllSubWindows();
    event->accept();
}

void CMainFrame::StorePlacement() {
    // A minimised window keeps the placement stored before.
    if (isMinimized())
        return;
    // A maximised window stores the rectangle it returns to and the state:
    // the screen-sized rectangle alone would come back as a normal window
    // shifted by the title bar, its bottom (status bar and page list) off
    // screen.
    const bool maximized = isMaximized();
    WriteFramePlacement(m_app.Profile(), maximized ? NormalFrameGeometry() : frameGeometry());
    WriteFrameMaximized(m_app.Profile(), maximized);
}

QRect CMainFrame::NormalFrameGeometry() const {
    const QRect normal = normalGeometry();
    if (normal.isEmpty())
        return frameGeometry();
    // normalGeometry() is the inner rectangle: the frame adds what it adds now.
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    return normal.marginsAdded(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                        outer.right() - inner.right(), outer.bottom() - inner.bottom()));
}

void CMainFrame::RestorePlacement() {
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const std::optional<QRect> placement = UsablePlacement(ReadFramePlacement(m_app.Profile()), screens);
    if (placement) {
        // The stored rectangle is the outer one: the position places the
        // frame, and the size is made good once the decoration is known
        // (showEvent).
        move(placement->topLeft());
        resize(placement->size());
        m_pendingPlacement = *placement;
    } else {
        resize(1024, 768);
    }
    // Shown maximised by the first show; the rectangle above is the one it
    // returns to.
    if (ReadFrameMaximized(m_app.Profile()))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_pendingPlacement)
        return;
    // A maximised window keeps the screen's size.
    if (!isMaximized()) {
        const QSize decoration = frameGeometry().size() - size();
        resize(m_pendingPlacement->size() - decoration);
    }
    m_pendingPlacement.reset();
}

}  // namespace kavitro
