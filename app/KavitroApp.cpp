#include "app/KavitroApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QPixmap>
#include <QStandardPaths>
#include <QTimer>

#include "app/ApplicationLook.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "view/KavitroView.h"
#include "app/PageViewWidget.h"
#include "platform/qt/ProgramFolders.h"
#include "app/Splash.h"
#include "app/PrintExport.h"
#include "app/dialogs/BitmapSizeDialog.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PersianFileDialog.h"
#include "app/PackCursors.h"
#include "document/DocumentServices.h"
#include "app/QtPrinterInformation.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/Exceptions.h"
#include "platform/DC.h"
#include "platform/qt/QtPainterDC.h"
#include "view/CommandRegistry.h"

namespace kavitro {

namespace {

CKavitroApp* g_app = nullptr;

}  // namespace

// The document layer's open dialog (pictures), titled from the pack.
class CKavitroApp::QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(const LanguagePack& pack) : m_pack(pack) {}
    std::optional<std::filesystem::path> AskOpenFile(std::uint32_t titleId, const std::u16string& filter) override {
        QStringList filters;
        for (const FileFilterEntry& entry : ParseBarFilter(filter))
            filters.push_back(ToNameFilter(entry));
        const QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), m_pack.Text(titleId),
                                                            QString(), filters.join(QStringLiteral(";;")));
        if (chosen.isEmpty())
            return std::nullopt;
        return std::filesystem::path(chosen.toStdString());
    }

private:
    const LanguagePack& m_pack;
};

QString CKavitroApp::DefaultProgramFolder() { return ProgramDataFolder(QCoreApplication::applicationDirPath()); }

CKavitroApp::CKavitroApp(CApplicationProperties& properties, AppOptions options)
    : m_properties(properties),
      m_options(std::move(options)),
      m_programFolder((m_options.programFolder.isEmpty() ? DefaultProgramFolder() : m_options.programFolder)
                          .toStdString()),
      m_profile(m_settings),
      m_language(properties, nullptr,
                 m_options.languageRoot.isEmpty()
                     ? QString::fromStdString((m_programFolder / "lang").string())
                     : m_options.languageRoot,
                 m_options.releaseAddress),
      m_strings(m_language.Pack()),
      m_fileDialogs(std::make_unique<QtFileDialogs>(m_language.Pack())) {
    g_app = this;
    m_language.SetReportTarget(m_options.report);
    m_notifier.SetWakeHandler([this] { ScheduleDelivery(); });
}

CKavitroApp::~CKavitroApp() {
    // The windows go while the services they use are still here.
    m_frame.reset();
    DocumentServices::Current() = DocumentServices::Defaults();
    if (GetMetafilePlayer() == &m_metafilePlayer)
        SetMetafilePlayer(nullptr);
    if (m_picturePrompt)
        SetPictureFilePrompt(nullptr);
    SetControlKeyQuery(nullptr);
    g_app = nullptr;
}

CKavitroApp* CKavitroApp::Instance() { return g_app; }

ErrorReport& CKavitroApp::Report() { return m_options.report ? *m_options.report : m_language.Report(); }

bool CKavitroApp::Start() {
    CStartupSequence sequence(*this, Report());
    return sequence.Run();
}

void CKavitroApp::ScheduleDelivery() {
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_deliveryScheduled = false;
            try {
                m_notifier.DeliverPending();
            } catch (const std::exception& e) {
                // The messages after the failing one stay queued: deliver
                // them on the next turn.
                Report().ReportError(QString::fromUtf8(e.what()).toStdU16String());
                if (m_notifier.PendingCount() > 0)
                    ScheduleDelivery();
            }
        },
        Qt::QueuedConnection);
}

// --- Start-up steps ------------------------------------------------------------

void CKavitroApp::LoadLanguage() {
    SetDialogLanguage(&m_language.Pack());
    m_language.Start();
    connect(&m_language, &LanguageService::LanguageChanged, this, &CKavitroApp::ApplyLanguage);
    ApplyLanguage();
}

bool CKavitroApp::IsControlHeld() const {
    return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

void CKavitroApp::ResetSettings() {
    m_settings.clear();
    m_settings.sync();
    m_properties.Load(m_profile);
}

bool CKavitroApp::RegisterDocumentKinds() {
    RegisterDocumentClasses();
    if (GetMetafilePlayer() == nullptr)
        SetMetafilePlayer(&m_metafilePlayer);
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    m_keyboard.SetFolders(m_programFolder, userFolder.toStdString());
    // The glyph fonts are built before the first document, from the derived
    // artwork when the build made it (the document would take the program
    // folder).
    const std::filesystem::path artwork =
        m_options.programFolder.isEmpty()
            ? std::filesystem::path(GlyphArtworkFolder(QCoreApplication::applicationDirPath()).toStdString())
            : m_programFolder;
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) {
        fonts.SetErrorReport(&Report());
        try {
            fonts.Init(artwork, m_properties[CApplicationProperties::ZurazOrovaWriting]);
        } catch (const UserException&) {
            // Init reports its own failures.
        }
        fonts.SetErrorReport(nullptr);
        CQtPainterDC::SetGlyphFontFolder(artwork / CCalligraphyFont::kFontsFolderName);
    }

    DocumentServices& services = DocumentServices::Current();
    services = DocumentServices::Defaults();
    services.notifier = &m_notifier;
    services.errors = &Report();
    services.settings = &m_properties;
    services.profile = &m_profile;
    services.strings = &m_strings;
    services.translator = &m_keyboard;
    services.fileDialogs = m_fileDialogs.get();
    m_propertySheets = std::make_unique<DialogPropertySheets>();
    // The text page's size and angle go to the view whose object it edits:
    // the active one, which opened the sheet.
    m_propertySheets->SetTextViewSink([this](const TextViewChange& change) {
        CKavitroView* view = m_frame ? m_frame->ActiveView() : nullptr;
        if (!view)
            return;
        view->OnMessage(PostedMessage{kNoTarget, NotifyMessage::TextSizeChanged,
                                      static_cast<WParam>(change.sizeTimes20), 0, {}});
        view->OnMessage(PostedMessage{kNoTarget, NotifyMessage::TextAngleChanged,
                                      static_cast<WParam>(change.angle), 0, {}});
    });
    services.propertySheets = m_propertySheets.get();
    m_printerInformation = std::make_unique<CQtPrinterInformation>();
    services.printer = m_printerInformation.get();
    m_picturePrompt = std::make_unique<DialogPictureFilePrompt>();
    SetPictureFilePrompt(m_picturePrompt.get());
    SetControlKeyQuery([] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier); });
    services.programFolder = m_programFolder;
    services.rightToLeft = IsRightToLeft();
    RegisterAllViewCommands();
    SetBitmapSizeDialog([](QWidget* parent, Size& size) { return AskBitmapSize(parent, size); });
    return true;
}

void CKavitroApp::SetInterfaceFont() {
    const LanguagePack& pack = Pack();
    QFont font = QApplication::font();
    if (!pack.DialogFontFamily().isEmpty())
        font.setFamily(pack.DialogFontFamily());
    if (pack.DialogFontPointSize() > 0)
        font.setPointSize(pack.DialogFontPointSize());
    QApplication::setFont(font);
    UsePaddedButtons();
}

bool CKavitroApp::CreateMainFrame() {
    m_frame = std::make_unique<CMainFrame>(*this);
    DocumentServices& services = DocumentServices::Current();
    services.mainFrame = m_frame->Id();
    services.activeDocumentFrame = [this]() -> TargetId {
        CChildFrame* child = m_frame ? m_frame->ActiveChild() : nullptr;
        return child ? child->Id() : kNoTarget;
    };
    CSplashWnd::ShowSplashScreen(m_frame.get(), Pack(), m_options.showSplash);
    return true;
}

bool CKavitroApp::ProcessCommandLine() {
    // Printing from the command line shows no window.
    if (m_options.printDocuments)
        return true;
    m_frame->show();
    // Each document is opened on its own: one that cannot be opened is told
    // (once, by the document) and the others still open.
    for (const QString& path : m_options.documents)
        m_frame->OpenDocument(path);
    if (m_options.documents.isEmpty())
        m_frame->NewDocument();
    return true;
}

bool CKavitroApp::PrintDocuments() {
    return PrintCommandLineDocuments(*m_frame, m_options.documents,
                                     m_options.makePrinter ? m_options.makePrinter : PrinterFactory(MakeDefaultPrinter),
                                     Report());
}

std::unique_ptr<QPrinter> CKavitroApp::MakePrinter() const {
    return m_options.makePrinter ? m_options.makePrinter() : MakeDefaultPrinter();
}

void CKavitroApp::LoadCursors() {
    m_cursors = LoadCursorTable(Pack());
    CPageViewWidget::SetResourceCursors(m_cursors);
}

int CKavitroApp::LoadKeyboardLayouts() { return m_keyboard.LoadLayouts(); }

QCursor CKavitroApp::Cursor(std::size_t slot) const {
    return slot < m_cursors.size() ? m_cursors[slot] : QCursor(Qt::ArrowCursor);
}

// --- Language ------------------------------------------------------------------

void CKavitroApp::SwitchLanguage() { m_language.SwitchLanguage(); }

void CKavitroApp::ApplyLanguage() {
    const bool rightToLeft = IsRightToLeft();
    // Qt's own dialogs speak the pack's language where Qt has a translation
    // for it (the Farsi pack: Persian); Qt's texts are English already.
    QCoreApplication::removeTranslator(&m_qtTranslator);
    const bool persian = Pack().Name().compare(QStringLiteral("Farsi"), Qt::CaseInsensitive) == 0;
    if (persian &&
        m_qtTranslator.load(QStringLiteral("qtbase_fa"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTranslator);
    QGuiApplication::setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    DocumentServices::Current().rightToLeft = rightToLeft;
    SetInterfaceFont();
    if (!m_cursors.empty())
        LoadCursors();
    if (m_frame)
        m_frame->Retranslate();
}

}  // namespace kavitro
