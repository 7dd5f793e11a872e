#pragma once

// The text-import wizard: a file page, a code-page page with a live preview
// of the converted text (only for files without a byte-order mark), and an
// output page (into the document, into a UTF-16 text file, or onto the
// clipboard). The conversion itself is input/TextImport.

#include <QWizard>
#include <cstdint>
#include <string>
#include <vector>

#include "input/CodePageTranslator.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QButtonGroup;

namespace kavitro {

class CKavitroView;
class ErrorReport;

class CImportWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { kFilePage, kCodePagePage, kOutputPage };
    enum Output { kIntoDocument = 0, kIntoTextFile = 1, kOntoClipboard = 2 };

    // errors may be null (no messages shown); the filters are the "*.kvp"
    // files of filterFolder.
    CImportWizard(ErrorReport* errors, QString filterFolder, QWidget* parent = nullptr);

    void SetSourcePath(const QString& path);
    QString SourcePath() const;
    // The filters of the "filter" folder, read the first time they are needed.
    const std::vector<CCodePageTranslator>& Filters();
    // The chosen filter of Filters(); -1 while UTF-8 is chosen (the code-page
    // page offers UTF-8 first, then the filters).
    int FilterIndex() const;
    Output ChosenOutput() const;
    ErrorReport* Errors() const { return m_errors; }
    // The source converted with the current filter; empty when unreadable.
    std::u16string ConvertSource(bool* readable = nullptr);

private:
    ErrorReport* m_errors;
    QString m_filterFolder;
    std::vector<CCodePageTranslator> m_filters;
    bool m_filtersRead = false;
    QLineEdit* m_path = nullptr;
    QListWidget* m_filterList = nullptr;
    QButtonGroup* m_outputs = nullptr;

    friend class CImportFilePage;
    friend class CImportCodePagePage;
    friend class CImportOutputPage;
};

// Runs the wizard modally and delivers its output; true when something was
// imported or written.
bool RunImportWizard(QWidget* parent, CKavitroView* view);
// What Finish does with the wizard's choices: the source is read and
// converted again and goes into the view's document (as inserted text), into
// a UTF-16 text file chosen with a save dialog, or onto the clipboard.
bool DeliverImport(CImportWizard& wizard, QWidget* parent, CKavitroView* view);

}  // namespace kavitro
