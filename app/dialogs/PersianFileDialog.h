#pragma once

// The program's file dialog: Qt's own (not the desktop's) file dialog with a
// preview pane beside the file list and a check box that switches the
// preview on and off. Open dialogs accept only an existing file whose
// extension is one of the caller's, compared exactly; save dialogs take one
// file and ask before overwriting.

#include <QFileDialog>
#include <QFileIconProvider>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

#include "app/dialogs/PreviewControl.h"

class QCheckBox;

namespace kavitro {

// One entry of a dialog's filter: its text and its patterns ("*.kv2").
struct FileFilterEntry {
    QString text;
    QStringList patterns;
};

// The entry as Qt's dialog reads it: the text, without a pattern list it
// already shows in brackets, then "(pattern pattern)". "*.*" becomes "*",
// which also matches names without a dot.
QString ToNameFilter(const FileFilterEntry& entry);
// The filter form of the document layer: "text|patterns|text|patterns|",
// patterns separated by ';'. An entry without its patterns is dropped.
std::vector<FileFilterEntry> ParseBarFilter(std::u16string_view filter);
// The name a file type is shown under: the pack's for the types the
// program reads and writes (known by their patterns), else the entry's text.
QString FileTypeName(const FileFilterEntry& entry);

// The extensions an open dialog accepts: "kvl;kv2" (dots and case do not
// matter). A path is accepted when its last extension, lower-cased, is one of
// them exactly: "x.kv" or "x" is not a ".kv2" file.
class AcceptedExtensions {
public:
    AcceptedExtensions() = default;
    explicit AcceptedExtensions(QStringView list);
    bool IsEmpty() const { return m_extensions.isEmpty(); }
    bool Accepts(const QString& path) const;

private:
    QSet<QString> m_extensions;
};

// The folder a dialog starts in: the first folder when it exists, else the
// second, else the user's documents folder, else the home folder.
QString ChooseStartFolder(const QString& first, const QString& second);

// The icons and type names of the dialog's file list, decided by a file's
// name and kind only. Qt's own provider reads the start of an extension-less
// file to name its type, and a "regular" file such as /proc/kmsg never
// answers: typing "/proc/" in the name box would freeze the program.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

class CPersianFileDialog : public QFileDialog {
    Q_OBJECT
public:
    CPersianFileDialog(QWidget* parent, bool openFileDialog, const std::vector<FileFilterEntry>& filters,
                       const QString& acceptedExtensions, const QString& title, const QString& firstFolder,
                       const QString& secondFolder);

    bool IsOpenDialog() const { return m_open; }
    // With the preview disabled the check box is greyed out and nothing is drawn.
    void SetPreviewDisabled(bool disabled);
    void SetPreviewOn(bool on);
    bool IsPreviewOn() const;
    CKavitroPreviewControl& Preview() { return *m_preview; }
    // A picture the pane shows instead of the selected file's, switched by
    // the check box like a file's (the export shows the page it writes).
    void SetSuppliedPreview(const QImage& picture);
    // The same drawn for the pane's room, again whenever that changes.
    void SetSuppliedPreview(CKavitroPreviewControl::Renderer render);

    // Whether the dialog may end with this name: any name in a save dialog;
    // in an open dialog an existing file with an accepted extension.
    bool IsNameAcceptable(const QString& path) const;

    // The one chosen path after OK.
    QString ChosenPath() const;

public slots:
    void accept() override;

private:
    void OnCurrentChanged(const QString& path);
    void OnPreviewCheck();

    bool m_open;
    bool m_previewDisabled = false;
    AcceptedExtensions m_accepted;
    CKavitroPreviewControl* m_preview = nullptr;
    QCheckBox* m_previewCheck = nullptr;
    QString m_current;
    QImage m_supplied;
    CKavitroPreviewControl::Renderer m_suppliedRender;
};

}  // namespace kavitro
