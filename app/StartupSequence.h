#pragma once

// The order in which the program starts, apart from the widgets and files
// that each step touches, so that the order and the failure rules can be
// checked without a display. The settings are loaded before the sequence
// runs and saved after it on every way out (ApplicationSettingsSession).

#include <cstdint>

#include "platform/ErrorReport.h"

namespace kavitro {

// One operation per start-up step; the shell implements them over Qt.
class StartupSteps {
public:
    virtual ~StartupSteps() = default;

    // The language pack the settings name; a missing, damaged or mismatched
    // pack is told and the built-in English texts stand in. Also starts the
    // update check when one is due (it never holds up the start).
    virtual void LoadLanguage() = 0;
    // Whether Ctrl is held down as the program starts.
    virtual bool IsControlHeld() const = 0;
    // Every setting back to its default (the profile emptied, then loaded).
    virtual void ResetSettings() = 0;
    // The two document kinds, the document services, the metafile player.
    virtual bool RegisterDocumentKinds() = 0;
    // The interface font handed to dialogs, ribbon, status bar and rulers.
    virtual void SetInterfaceFont() = 0;
    // The main frame with ribbon and status bar, and the splash over it.
    virtual bool CreateMainFrame() = 0;
    // Opens the documents given on the command line (a new one when none is
    // given) and shows the main frame. False only when nothing can be shown.
    virtual bool ProcessCommandLine() = 0;
    virtual void LoadCursors() = 0;
    // CKeyboardLayoutModule::LoadLayouts: 0 loaded, 1 default layout
    // missing, 2 user layout missing.
    virtual int LoadKeyboardLayouts() = 0;
};

class CStartupSequence {
public:
    static constexpr int kLayoutsLoaded = 0;
    static constexpr int kDefaultLayoutMissing = 1;
    static constexpr int kUserLayoutMissing = 2;

    CStartupSequence(StartupSteps& steps, ErrorReport& report) : m_steps(steps), m_report(report) {}

    // Runs the steps in order; false when the start failed (the caller then
    // leaves, and the settings are still saved). A failure is always told:
    // a step that fails without a message of its own gets message 9999.
    bool Run();

private:
    bool Fail();

    StartupSteps& m_steps;
    ErrorReport& m_report;
};

}  // namespace kavitro
