#include "app/dialogs/PersianFileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/FileDialogTranslator.h"
#include "app/dialogs/PreviewControl.h"
#include "document/StringIds.h"

namespace kavitro {

QString ToNameFilter(const FileFilterEntry& entry) {
    // A text that already shows its patterns ("All Files (*.*)") keeps only
    // the words, so that Qt reads our patterns, not the shown ones.
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QString text = entry.text;
    text.remove(shownPatterns);
    QStringList patterns;
    for (const QString& p : entry.patterns) patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    return text + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString FileTypeName(const FileFilterEntry& entry) {
    // Named by the patterns they stand for, which no language changes.
    static const std::pair<const char*, std::uint32_t> kNames[] = {
        {"*.ekvt;*.kvt;*.emf;*.wmf;*.png;*.jpeg;*.jpg;*.gif;*.tiff;*.bmp", StringId::FileTypeAllPictures},
        {"*.ekvt", StringId::FileTypeEnhancedDodavo},
        {"*.kvt", StringId::FileTypeDodavo},
        {"*.emf", StringId::FileTypeEmf},
        {"*.wmf", StringId::FileTypeWmf},
        {"*.png", StringId::FileTypePng},
        {"*.jpeg;*.jpg", StringId::FileTypeJpeg},
        {"*.jpeg", StringId::FileTypeJpeg},
        {"*.gif", StringId::FileTypeGif},
        {"*.tiff", StringId::FileTypeTiff},
        {"*.bmp", StringId::FileTypeBmp},
        {"*.eps", StringId::FileTypeEps},
        {"*.*", StringId::AllFilesFilter},
    };
    const QString patterns = entry.patterns.join(QLatin1Char(';'));
    for (const auto& [key, id] : kNames)
        if (patterns == QLatin1String(key)) return DialogText(id);
    return entry.text;
}

std::vector<FileFilterEntry> ParseBarFilter(std::u16string_view filter) {
    const QStringList parts = QString::fromStdU16String(std::u16string(filter)).split(QLatin1Char('|'));
    std::vector<FileFilterEntry> entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FileFilterEntry entry{parts[i], parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)};
        if (!entry.text.isEmpty() && !entry.patterns.isEmpty()) entries.push_back(std::move(entry));
    }
    return entries;
}

AcceptedExtensions::AcceptedExtensions(QStringView list) {
    for (QStringView e : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        e = e.trimmed();
        while (e.startsWith(QLatin1Char('.')) || e.startsWith(QLatin1Char('*'))) e = e.mid(1);
        if (!e.isEmpty()) m_extensions.insert(e.toString().toLower());
    }
}

bool AcceptedExtensions::Accepts(const QString& path) const {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    return m_extensions.contains(name.mid(dot + 1).toLower());
}

QString ChooseStartFolder(const QString& first, const QString& second) {
    for (const QString& folder : {first, second})
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) return icon(Drive);
    if (info.isDir()) return icon(Folder);
    if (!info.isFile()) return icon(File);
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName(), icon(File)));
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
    // Folders, drives and links are told apart by the file's status alone.
    if (!info.isFile()) return QFileIconProvider::type(info);
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

namespace {

// Qt's dialog looks up its own texts while it is built, so the translator
// that answers them from the pack must be in place before.
QWidget* ReadyForPackTexts(QWidget* parent) {
    InstallFileDialogTranslator();
    return parent;
}

}  // namespace

CPersianFileDialog::CPersianFileDialog(QWidget* parent, bool openFileDialog, const std::vector<FileFilterEntry>& filters,
                                       const QString& acceptedExtensions, const QString& title,
                                       const QString& firstFolder, const QString& secondFolder)
    : QFileDialog(ReadyForPackTexts(parent)), m_open(openFileDialog), m_accepted(acceptedExtensions) {
    // Qt's own dialog: the desktop's dialogs take no extra pane.
    setOption(QFileDialog::DontUseNativeDialog);
    // Shared and never destroyed before the dialogs: the file list's
    // gatherer thread may still ask it while a dialog is taken down.
    static NameOnlyIconProvider iconProvider;
    setIconProvider(&iconProvider);
    setAcceptMode(openFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // One file in both directions: the callers open or save one file.
    setFileMode(openFileDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList nameFilters;
    for (const FileFilterEntry& entry : filters) nameFilters << ToNameFilter({FileTypeName(entry), entry.patterns});
    if (!nameFilters.isEmpty()) setNameFilters(nameFilters);
    setWindowTitle(title);
    setDirectory(ChooseStartFolder(firstFolder, secondFolder));
    // Every label Qt's dialog lets us set comes from the language pack.
    setLabelText(QFileDialog::LookIn, DialogText(StringId::FileDialogLookIn));
    setLabelText(QFileDialog::FileName, DialogText(StringId::FileDialogFileName));
    setLabelText(QFileDialog::FileType, DialogText(StringId::FileDialogFileType));
    setLabelText(QFileDialog::Accept, DialogText(openFileDialog ? StringId::FileDialogOpen : StringId::FileDialogSave));
    setLabelText(QFileDialog::Reject, DialogText(StringId::ButtonCancel));
    ApplyDialogDirection(*this);
    // The type list is as wide as its longest name, so that none is cut off.
    if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        types->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        types->setMinimumWidth(types->sizeHint().width());
    }

    m_preview = new CKavitroPreviewControl(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_previewCheck = new QCheckBox(DialogText(StringId::FilePreviewCheck), this);
    m_previewCheck->setObjectName(QStringLiteral("previewCheck"));
    m_previewCheck->setChecked(true);
    auto* pane = new QVBoxLayout;
    pane->addWidget(m_preview, 1);
    pane->addWidget(m_previewCheck);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    else if (layout())
        layout()->addItem(pane);

    connect(this, &QFileDialog::currentChanged, this, &CPersianFileDialog::OnCurrentChanged);
    connect(m_previewCheck, &QCheckBox::toggled, this, &CPersianFileDialog::OnPreviewCheck);
}

void CPersianFileDialog::SetPreviewDisabled(bool disabled) {
    m_previewDisabled = disabled;
    m_previewCheck->setEnabled(!disabled);
    if (disabled) m_preview->SetFilePath({});
}

void CPersianFileDialog::SetSuppliedPreview(const QImage& picture) {
    m_supplied = picture;
    m_suppliedRender = {};
    OnCurrentChanged(m_current);
}

void CPersianFileDialog::SetSuppliedPreview(CKavitroPreviewControl::Renderer render) {
    m_supplied = QImage();
    m_suppliedRender = std::move(render);
    OnCurrentChanged(m_current);
}

void CPersianFileDialog::SetPreviewOn(bool on) { m_previewCheck->setChecked(on); }
bool CPersianFileDialog::IsPreviewOn() const { return m_previewCheck->isChecked(); }

bool CPersianFileDialog::IsNameAcceptable(const QString& path) const {
    if (!m_open) return !path.isEmpty();
    const QFileInfo info(path);
    return info.isFile() && m_accepted.Accepts(path);
}

QString CPersianFileDialog::ChosenPath() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void CPersianFileDialog::accept() {
    const QStringList files = selectedFiles();
    // A folder opens as in Qt's dialog; a file must pass our check.
    if (files.size() == 1 && QFileInfo(files.front()).isDir()) {
        QFileDialog::accept();
        return;
    }
    if (files.size() != 1 || !IsNameAcceptable(files.front())) return;
    QFileDialog::accept();
}

void CPersianFileDialog::OnCurrentChanged(const QString& path) {
    m_current = path;
    if (m_previewDisabled) return;
    if (m_suppliedRender) {
        if (IsPreviewOn())
            m_preview->ShowRendered(m_suppliedRender);
        else
            m_preview->ShowPicture(QImage());
        return;
    }
    if (!m_supplied.isNull()) {
        m_preview->ShowPicture(IsPreviewOn() ? m_supplied : QImage());
        return;
    }
    const bool show = IsPreviewOn() && QFileInfo(path).isFile() && (!m_open || m_accepted.Accepts(path));
    m_preview->SetFilePath(show ? path : QString());
}

void CPersianFileDialog::OnPreviewCheck() {
    if (m_previewDisabled) return;
    OnCurrentChanged(m_current);
}

}  // namespace kavitro
