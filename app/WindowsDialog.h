#pragma once

// The list of open documents: the chosen ones are activated (OK or a double
// click) or closed (each asking for its own document, as closing its tab
// does). Captions are the language pack's.

#include <QDialog>

class QListWidget;
class QMdiArea;

namespace kavitro {

class LanguagePack;

class CWindowsDialog final : public QDialog {
    Q_OBJECT
public:
    CWindowsDialog(QMdiArea& area, const LanguagePack& pack, QWidget* parent = nullptr);

    QListWidget* List() const { return m_list; }
    // Activates the chosen window and closes the dialog.
    void ActivateChosen();
    // Closes the chosen windows; those whose documents may not close stay.
    void CloseChosen();

private:
    void Fill();

    QMdiArea& m_area;
    QListWidget* m_list = nullptr;
};

}  // namespace kavitro
