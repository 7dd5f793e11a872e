#pragma once

// The page view's commands by id, in place of a message map: each id has a
// handler and an optional update rule (enabled, checked). The shell binds its
// ribbon and menus to ids, runs commands through Execute() and asks Update()
// when it refreshes them.
//
//   CCommandRegistry& r = CCommandRegistry::ViewCommands();
//   RegisterAllViewCommands();                       // once, at start-up
//   if (r.Update(id, view).enabled) r.Execute(id, view);
//
// A command that throws is caught here: the failure is reported through the
// document's ErrorReport and Execute() returns false. An update rule that
// throws leaves its command disabled.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kavitro {

class CKavitroView;

struct CommandUpdate {
    bool enabled = false;
    bool checked = false;
    friend bool operator==(const CommandUpdate&, const CommandUpdate&) = default;
};

class CCommandRegistry {
public:
    using Handler = std::function<void(CKavitroView& view, std::uint32_t id)>;
    using UpdateRule = std::function<CommandUpdate(CKavitroView& view, std::uint32_t id)>;

    // No update rule: enabled, unchecked. Adding an id twice replaces it.
    void Add(std::uint32_t id, Handler handler, UpdateRule update = {});
    // Every id of first..last (inclusive) with the same handler and rule.
    void AddRange(std::uint32_t first, std::uint32_t last, Handler handler, UpdateRule update = {});
    bool Contains(std::uint32_t id) const;
    // Runs the handler; an exception is caught at this boundary, reported
    // once, and false returned. Unknown id: false, nothing reported.
    bool Execute(std::uint32_t id, CKavitroView& view) const;
    // Unknown id: disabled.
    CommandUpdate Update(std::uint32_t id, CKavitroView& view) const;
    // The registered ids, ascending.
    std::vector<std::uint32_t> Ids() const;

    // Process-wide registry of the page view's commands; filled once by
    // RegisterAllViewCommands().
    static CCommandRegistry& ViewCommands();

private:
    struct Entry {
        Handler handler;
        UpdateRule update;
    };
    void Report(CKavitroView& view, const std::string& what) const;

    std::map<std::uint32_t, Entry> m_commands;
};

// Calls every Register*Commands of the view layer (view commands,
// edit/clipboard commands, ...) once, into CCommandRegistry::ViewCommands().
void RegisterAllViewCommands();

}  // namespace kavitro
