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

    void LoadLanguage() override { Record("language"); }
    bool IsControlHeld() const override { return control; }
    void ResetSettings() override { Record("reset"); }
    bool RegisterDocumentKinds() override { return Record("documents", documentKinds); }
    void SetInterfaceFont() override { Record("font"); }
    bool CreateMainFrame() override { return Record("frame", mainFrame); }
    bool ProcessCommandLine() override { return Record("commandline", commandLine); }
    void LoadCursors() override { Record("cursors"); }
    int LoadKeyboardLayouts() override { return Record("layouts", layouts); }

private:
    // Notes the step and gives the answer the case set for it.
    template <class Answer = bool>
    Answer Record(const char* step, Answer answer = {}) {
        calls.push_back(step);
        return answer;
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
