// The start-up order and its failure rules, with the steps recorded.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/StartupSequence.h"
#include "document/StringIds.h"

namespace {

using kavitro::CStartupSequence;
using kavitro::DialogResult;

class RecordingSteps final : public kavitro::StartupSteps {
public:
    std::vector<std::string> calls;
    bool control = false;
    bool documentKinds = true;
    bool mainFrame = true;
    bool commandLine = true;
    int layouts = CStartupSequence::kLayoutsLoaded;

    void LoadLanguage() override { calls.push_back("language"); }
    bool IsControlHeld() const override { return control; }
    void ResetSettings() override { calls.push_back("reset"); }
    bool RegisterDocumentKinds() override {
        calls.push_back("documents");
        return documentKinds;
    }
    void SetInterfaceFont() override { calls.push_back("font"); }
    bool CreateMainFrame() override {
        calls.push_back("frame");
        return mainFrame;
    }
    bool ProcessCommandLine() override {
        calls.push_back("commandline");
        return commandLine;
    }
    void LoadCursors() override { calls.push_back("cursors"); }
    int LoadKeyboardLayouts() override {
        calls.push_back("layouts");
        return layouts;
    }
};

struct Case {
    const char* name;
    void (*setUp)(RecordingSteps&, kavitro::RecordingErrorReport&);
    bool started;
    std::vector<std::string> calls;
    std::vector<std::uint32_t> messages;
};

TEST(StartupSequence, RunsTheStepsInOrderAndStopsWhereAStepFails) {
    namespace S = kavitro::StringId;
    const std::vector<std::string> all = {"language", "documents", "font", "frame", "commandline", "cursors", "layouts"};
    const Case cases[] = {
        {"normal start", [](RecordingSteps&, kavitro::RecordingErrorReport&) {}, true, all, {}},
        {"ctrl held, answer no",
         [](RecordingSteps& s, kavitro::RecordingErrorReport& r) {
             s.control = true;
             r.QueueAnswer(DialogResult::No);
         },
         true, all, {S::ResetSettings}},
        {"ctrl held, answer yes",
         [](RecordingSteps& s, kavitro::RecordingErrorReport& r) {
             s.control = true;
             r.QueueAnswer(DialogResult::Yes);
         },
         true,
         {"language", "reset", "documents", "font", "frame", "commandline", "cursors", "layouts"},
         {S::ResetSettings}},
        {"no document kinds", [](RecordingSteps& s, kavitro::RecordingErrorReport&) { s.documentKinds = false; },
         false, {"language", "documents"}, {S::StartFailed}},
        {"no main frame", [](RecordingSteps& s, kavitro::RecordingErrorReport&) { s.mainFrame = false; }, false,
         {"language", "documents", "font", "frame"}, {S::StartFailed}},
        {"command line fails", [](RecordingSteps& s, kavitro::RecordingErrorReport&) { s.commandLine = false; },
         false, {"language", "documents", "font", "frame", "commandline"}, {S::StartFailed}},
        {"default layout missing",
         [](RecordingSteps& s, kavitro::RecordingErrorReport&) { s.layouts = CStartupSequence::kDefaultLayoutMissing; },
         false, all, {S::DefaultKeyboardMissing}},
        {"user layout missing",
         [](RecordingSteps& s, kavitro::RecordingErrorReport&) { s.layouts = CStartupSequence::kUserLayoutMissing; },
         true, all, {S::UserKeyboardMissing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSteps steps;
        kavitro::RecordingErrorReport report;
        c.setUp(steps, report);
        EXPECT_EQ(CStartupSequence(steps, report).Run(), c.started);
        EXPECT_EQ(steps.calls, c.calls);
        std::vector<std::uint32_t> shown;
        for (const kavitro::ErrorMessage& m : report.Reports())
            shown.push_back(m.stringId);
        EXPECT_EQ(shown, c.messages);
    }
}

}  // namespace
