#pragma once

// The texts Qt's own file dialog and file list name themselves (column
// titles, tool tips, the context menu, the new folder's name) are looked up
// through Qt's translation; this translator answers them from the language
// pack in use, so that the dialog reads entirely in the pack's language.

#include <QTranslator>

namespace kavitro {

class FileDialogTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};

// Installs the translator once for the running application.
void InstallFileDialogTranslator();

}  // namespace kavitro
