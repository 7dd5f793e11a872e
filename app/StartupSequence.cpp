#include "app/StartupSequence.h"

#include "document/StringIds.h"

namespace kavitro {

bool CStartupSequence::Fail() {
    m_report.ReportError(StringId::StartFailed, MessageButtons::Ok, MessageIcon::Error);
    return false;
}

bool CStartupSequence::Run() {
    m_steps.LoadLanguage();
    // The way out of settings that keep the program from working: hold Ctrl
    // while it starts.
    if (m_steps.IsControlHeld() &&
        m_report.ReportError(StringId::ResetSettings, MessageButtons::YesNo, MessageIcon::Error) == DialogResult::Yes)
        m_steps.ResetSettings();
    if (!m_steps.RegisterDocumentKinds())
        return Fail();
    m_steps.SetInterfaceFont();
    if (!m_steps.CreateMainFrame())
        return Fail();
    if (!m_steps.ProcessCommandLine())
        return Fail();
    m_steps.LoadCursors();
    switch (m_steps.LoadKeyboardLayouts()) {
        case kDefaultLayoutMissing:
            // Without the default layout no key gives a letter: the program
            // cannot be used, and the user is told why instead of seeing it
            // vanish.
            m_report.ReportError(StringId::DefaultKeyboardMissing, MessageButtons::Ok, MessageIcon::Error);
            return false;
        case kUserLayoutMissing:
            m_report.ReportError(StringId::UserKeyboardMissing, MessageButtons::Ok, MessageIcon::None);
            break;
        default:
            break;
    }
    return true;
}

}  // namespace kavitro
