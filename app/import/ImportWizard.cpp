#include "app/import/ImportWizard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>
#include <QWizardPage>

#include <optional>
#include <span>

#include "platform/qt/ProgramFolders.h"
#include "app/dialogs/DialogLanguage.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "input/TextImport.h"
#include "platform/ErrorReport.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

void Report(ErrorReport* errors, std::uint32_t id, MessageIcon icon = MessageIcon::Error) {
    if (errors)
        errors->ReportError(id, MessageButtons::Ok, icon);
}

QString TextFilesFilter() { return DialogText(StringId::TextFilesFilter); }

// Text of a file without a mark read as UTF-8; nothing when the bytes are
// not UTF-8.
std::optional<std::u16string> DecodeUnmarkedUtf8(std::span<const std::uint8_t> bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text.toStdU16String();
}

TextByteOrderMark MarkOfFile(const QString& path) {
    const auto bytes = ReadImportSource(ToPath(path));
    return bytes ? DetectByteOrderMark(*bytes) : TextByteOrderMark::None;
}

}  // namespace

class CImportFilePage : public QWizardPage {
public:
    explicit CImportFilePage(CImportWizard& wizard) : m_wizard(wizard) {
        setTitle(DialogText(StringId::ImportFilePageTitle));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(DialogText(StringId::ImportFileLabel), this));
        auto* row = new QHBoxLayout;
        wizard.m_path = new QLineEdit(this);
        wizard.m_path->setObjectName(QStringLiteral("path"));
        auto* browse = new QPushButton(DialogText(StringId::ImportBrowse), this);
        row->addWidget(wizard.m_path);
        row->addWidget(browse);
        layout->addLayout(row);
        connect(wizard.m_path, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString filters = TextFilesFilter() + QStringLiteral(";;") + DialogText(StringId::AllFilesFilter);
            const QString chosen = QFileDialog::getOpenFileName(this, DialogText(StringId::OpenFileTitle),
                                                                m_wizard.m_path->text(), filters);
            if (!chosen.isEmpty())
                m_wizard.m_path->setText(chosen);
        });
    }
    bool isComplete() const override { return !m_wizard.m_path->text().isEmpty(); }
    // A file that cannot be read completely keeps the page; any readable file
    // goes on (unmarked ones through the code-page page).
    bool validatePage() override {
        if (!ReadImportSource(ToPath(m_wizard.m_path->text()))) {
            m_wizard.m_path->clear();
            Report(m_wizard.Errors(), StringId::ImportFileMissing);
            return false;
        }
        return true;
    }
    int nextId() const override {
        return MarkOfFile(m_wizard.m_path->text()) == TextByteOrderMark::None ? CImportWizard::kCodePagePage
                                                                             : CImportWizard::kOutputPage;
    }

private:
    CImportWizard& m_wizard;
};

class CImportCodePagePage : public QWizardPage {
public:
    explicit CImportCodePagePage(CImportWizard& wizard) : m_wizard(wizard) {
        setTitle(DialogText(StringId::ImportCodePageTitle));
        auto* layout = new QVBoxLayout(this);
        wizard.m_filterList = new QListWidget(this);
        wizard.m_filterList->setObjectName(QStringLiteral("filters"));
        m_preview = new QPlainTextEdit(this);
        m_preview->setObjectName(QStringLiteral("preview"));
        m_preview->setReadOnly(true);
        // The text is Persian: its lines read right to left in either language.
        QTextOption option = m_preview->document()->defaultTextOption();
        option.setTextDirection(Qt::RightToLeft);
        option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        m_preview->document()->setDefaultTextOption(option);
        layout->addWidget(new QLabel(DialogText(StringId::ImportCodePageLabel), this));
        layout->addWidget(wizard.m_filterList);
        layout->addWidget(new QLabel(DialogText(StringId::ImportPreviewLabel), this));
        layout->addWidget(m_preview, 1);
        connect(wizard.m_filterList, &QListWidget::currentRowChanged, this, [this] { UpdatePreview(); });
    }
    // Files written on this system are mostly UTF-8 without a mark: UTF-8
    // comes first and is chosen whenever the bytes are UTF-8; otherwise the
    // first filter is.
    void initializePage() override {
        const auto bytes = ReadImportSource(ToPath(m_wizard.SourcePath()));
        const bool utf8 = bytes && DecodeUnmarkedUtf8(*bytes).has_value();
        const auto& filters = m_wizard.Filters();
        if (filters.empty() && !utf8) {
            Report(m_wizard.Errors(), StringId::ImportUnreadable);
            QTimer::singleShot(0, &m_wizard, &QWizard::reject);
            return;
        }
        if (m_wizard.m_filterList->count() == 0) {
            m_wizard.m_filterList->addItem(DialogText(StringId::ImportUtf8));
            for (const CCodePageTranslator& filter : filters)
                m_wizard.m_filterList->addItem(QString::fromStdU16String(filter.m_header.m_displayName));
        }
        m_wizard.m_filterList->setCurrentRow(utf8 || filters.empty() ? 0 : 1);
        UpdatePreview();
    }
    void cleanupPage() override {}
    int nextId() const override { return CImportWizard::kOutputPage; }

private:
    void UpdatePreview() { m_preview->setPlainText(QString::fromStdU16String(m_wizard.ConvertSource())); }

    CImportWizard& m_wizard;
    QPlainTextEdit* m_preview = nullptr;
};

class CImportOutputPage : public QWizardPage {
public:
    explicit CImportOutputPage(CImportWizard& wizard) {
        setTitle(DialogText(StringId::ImportOutputTitle));
        auto* layout = new QVBoxLayout(this);
        wizard.m_outputs = new QButtonGroup(this);
        const std::uint32_t labels[] = {StringId::ImportIntoDocument, StringId::ImportIntoTextFile,
                                        StringId::ImportOntoClipboard};
        for (int i = 0; i < 3; ++i) {
            auto* radio = new QRadioButton(DialogText(labels[i]), this);
            wizard.m_outputs->addButton(radio, i);
            layout->addWidget(radio);
        }
        wizard.m_outputs->button(CImportWizard::kIntoDocument)->setChecked(true);
        layout->addStretch(1);
        setFinalPage(true);
    }
    int nextId() const override { return -1; }
};

CImportWizard::CImportWizard(ErrorReport* errors, QString filterFolder, QWidget* parent)
    : QWizard(parent), m_errors(errors), m_filterFolder(std::move(filterFolder)) {
    setWindowTitle(DialogText(StringId::ImportWizardTitle));
    setButtonText(QWizard::BackButton, DialogText(StringId::ButtonBack));
    setButtonText(QWizard::NextButton, DialogText(StringId::ButtonNext));
    setButtonText(QWizard::FinishButton, DialogText(StringId::ButtonFinish));
    setButtonText(QWizard::CancelButton, DialogText(StringId::ButtonCancel));
    setPage(kFilePage, new CImportFilePage(*this));
    setPage(kCodePagePage, new CImportCodePagePage(*this));
    setPage(kOutputPage, new CImportOutputPage(*this));
    setStartId(kFilePage);
    ApplyDialogDirection(*this);
}

void CImportWizard::SetSourcePath(const QString& path) { m_path->setText(path); }
QString CImportWizard::SourcePath() const { return m_path->text(); }

const std::vector<CCodePageTranslator>& CImportWizard::Filters() {
    if (!m_filtersRead) {
        m_filters = FillCodepageList(ToPath(m_filterFolder));
        m_filtersRead = true;
    }
    return m_filters;
}

int CImportWizard::FilterIndex() const { return m_filterList->currentRow() - 1; }

CImportWizard::Output CImportWizard::ChosenOutput() const { return static_cast<Output>(m_outputs->checkedId()); }

std::u16string CImportWizard::ConvertSource(bool* readable) {
    const auto bytes = ReadImportSource(ToPath(SourcePath()));
    if (readable)
        *readable = bytes.has_value();
    if (!bytes)
        return {};
    if (DetectByteOrderMark(*bytes) == TextByteOrderMark::None) {
        if (m_filterList->currentRow() == 0)
            return DecodeUnmarkedUtf8(*bytes).value_or(std::u16string());
        const int index = FilterIndex();
        if (index < 0 || static_cast<std::size_t>(index) >= Filters().size())
            return {};
        return ConvertToUnicode(*bytes, Filters(), static_cast<std::size_t>(index));
    }
    return ConvertToUnicode(*bytes, {}, 0);
}

namespace {

// Gives the keyboard back to the widget that had it (the page view) when the
// wizard closes, however it closes: without a window manager to reactivate
// the main window, nothing would have the focus until the next click.
class FocusReturn {
public:
    FocusReturn() : m_widget(QApplication::focusWidget()) {}
    ~FocusReturn() {
        if (!m_widget)
            return;
        m_widget->activateWindow();
        m_widget->setFocus(Qt::OtherFocusReason);
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> m_widget;
};

}  // namespace

bool RunImportWizard(QWidget* parent, CKavitroView* view) {
    const FocusReturn focus;
    ErrorReport* errors = view ? view->GetDocument().GetServices().errors : nullptr;
    CImportWizard wizard(errors, ProgramDataFolder(QCoreApplication::applicationDirPath()) + QStringLiteral("/filter"),
                         parent);
    if (wizard.exec() != QDialog::Accepted)
        return false;
    return DeliverImport(wizard, parent, view);
}

bool DeliverImport(CImportWizard& wizard, QWidget* parent, CKavitroView* view) {
    ErrorReport* errors = wizard.Errors();
    // The source is read again now, so a file changed while the wizard was
    // open is imported as it is at Finish.
    bool readable = false;
    const std::u16string text = wizard.ConvertSource(&readable);
    if (!readable) {
        Report(errors, StringId::ImportUnreadable);
        return false;
    }
    switch (wizard.ChosenOutput()) {
    case CImportWizard::kIntoDocument:
        if (!view || text.empty())
            return false;
        view->OnInsertText(text, 0);
        return true;
    case CImportWizard::kIntoTextFile: {
        const QString target = QFileDialog::getSaveFileName(parent, DialogText(StringId::SaveFileTitle), QString(),
                                                            TextFilesFilter());
        return !target.isEmpty() && SaveUtf16TextFile(ToPath(target), text);
    }
    case CImportWizard::kOntoClipboard:
        QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
        return true;
    }
    return false;
}

}  // namespace kavitro
