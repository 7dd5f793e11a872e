#pragma once

// The base of every property sheet and its pages: the sheet and all its pages
// share one font, the language pack's dialog font enlarged by a tenth on a
// 96-dpi screen (the pages were laid out for the smaller size). Qt's layouts
// then size the sheet and every control to that font. OK hands every page
// that was opened its OnOK, Cancel its OnCancel.

#include <QDialog>
#include <QFont>
#include <QWidget>
#include <vector>

class QTabWidget;
class QDialogButtonBox;
class QPushButton;

namespace kavitro {

// The page font's size in tenths of a point: the template's size × 11 at 96
// dpi, × 10 at any other resolution (modulo 65536).
int PageFontTenths(int templatePointSize, int logicalDpiY);

class CFontPropertyPage : public QWidget {
    Q_OBJECT
public:
    CFontPropertyPage(const QString& title, QWidget* parent = nullptr);
    const QString& Title() const { return m_title; }
    bool WasOpened() const { return m_opened; }

    // The sheet ended with OK (only for pages that were opened).
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // The page became active for the first time: it fills its controls.
    virtual void OnFirstActive() {}
    // The page became active (every time, after OnFirstActive the first time).
    virtual void OnSetActive() {}
    // Wizard: Next or Back leaves the page; false keeps it.
    virtual bool OnWizardNext() { return true; }
    virtual bool OnWizardBack() { return true; }

private:
    friend class CFontPropertySheet;
    void Activate();

    QString m_title;
    bool m_opened = false;
};

class CFontPropertySheet : public QDialog {
    Q_OBJECT
public:
    CFontPropertySheet(const QString& caption, QWidget* parent = nullptr);

    // The sheet does not own the pages' lifetime beyond its own: pages become
    // its children.
    void AddPage(CFontPropertyPage* page);
    const std::vector<CFontPropertyPage*>& Pages() const { return m_pages; }
    const QFont& PageFont() const { return m_pageFont; }
    void SetActivePage(int index);

    // A wizard: no tabs; Back, Next, Finish and Cancel move through the pages
    // in order. Set before the sheet runs.
    void SetWizardMode(bool wizard);
    bool IsWizard() const { return m_wizard; }
    // Which wizard buttons are enabled (pages call it from OnSetActive).
    void SetWizardButtons(bool back, bool next, bool finish);
    int ActiveIndex() const;
    void WizardBack();
    void WizardNext();

    // Runs the sheet; a sheet without pages raises InvalidArgumentException.
    int exec() override;
    // Builds the page font and opens the first page, as exec does, without
    // running the sheet (tests and screenshots).
    void Prepare();

public slots:
    void accept() override;
    void reject() override;

private:
    void BuildPageFont();

    QTabWidget* m_tabs = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    bool m_wizard = false;
    bool m_prepared = false;
    std::vector<CFontPropertyPage*> m_pages;
    QFont m_pageFont;
};

}  // namespace kavitro
