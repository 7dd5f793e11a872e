#pragma once

// The program's message boxes: the texts and button labels come from the
// language pack in use, and when that pack reads right to left the box is
// laid out right to left with its text aligned to the right. The pack is
// read at every box, so a language switch at run time takes effect at the
// next box.

#include <QMessageBox>
#include <QPointer>
#include <map>
#include <memory>

#include "app/LanguageModule.h"
#include "platform/ErrorReport.h"

class QAbstractButton;

namespace kavitro {

class PackMessageBox : public ErrorReport {
public:
    explicit PackMessageBox(const LanguageModule& language, QWidget* parent = nullptr);

    // The box a report shows, with the result each of its buttons stands for.
    struct Box {
        std::unique_ptr<QMessageBox> box;
        std::map<QAbstractButton*, DialogResult> results;
    };
    Box Build(const ErrorMessage& message) const;

    // A dismissable notice that does not hold up the program (a newer
    // release, a pack of another version): shown once, deleted when closed.
    QMessageBox* ShowNotice(const QString& text, MessageIcon icon = MessageIcon::Information);

protected:
    DialogResult Show(const ErrorMessage& message) override;

private:
    void Dress(QMessageBox& box) const;

    const LanguageModule& m_language;
    QPointer<QWidget> m_parent;
};

}  // namespace kavitro
