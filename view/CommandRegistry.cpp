#include "view/CommandRegistry.h"

#include <exception>
#include <mutex>

#include <QtCore/QString>

#include "document/KavitroDoc.h"
#include "platform/ErrorReport.h"
#include "view/EditCommands.h"
#include "view/KavitroView.h"
#include "view/ViewCommands.h"

namespace kavitro {

void CCommandRegistry::Add(std::uint32_t id, Handler handler, UpdateRule update) {
    m_commands[id] = Entry{std::move(handler), std::move(update)};
}

void CCommandRegistry::AddRange(std::uint32_t first, std::uint32_t last, Handler handler, UpdateRule update) {
    for (std::uint64_t id = first; id <= last; ++id)
        Add(static_cast<std::uint32_t>(id), handler, update);
}

bool CCommandRegistry::Contains(std::uint32_t id) const { return m_commands.count(id) != 0; }

void CCommandRegistry::Report(CKavitroView& view, const std::string& what) const {
    if (ErrorReport* errors = view.GetDocument().GetServices().errors)
        errors->ReportError(QString::fromUtf8(what.c_str()).toStdU16String());
}

bool CCommandRegistry::Execute(std::uint32_t id, CKavitroView& view) const {
    const auto it = m_commands.find(id);
    if (it == m_commands.end() || !it->second.handler)
        return false;
    try {
        it->second.handler(view, id);
        return true;
    } catch (const std::exception& e) {
        Report(view, e.what());
    } catch (...) {
        Report(view, "unknown failure");
    }
    return false;
}

CommandUpdate CCommandRegistry::Update(std::uint32_t id, CKavitroView& view) const {
    const auto it = m_commands.find(id);
    if (it == m_commands.end())
        return {};
    if (!it->second.update)
        return CommandUpdate{true, false};
    try {
        return it->second.update(view, id);
    } catch (...) {
        // Asked on every refresh of the ribbon: a failing rule disables its
        // command rather than reporting again and again.
        return {};
    }
}

std::vector<std::uint32_t> CCommandRegistry::Ids() const {
    std::vector<std::uint32_t> ids;
    ids.reserve(m_commands.size());
    for (const auto& [id, entry] : m_commands)
        ids.push_back(id);
    return ids;
}

CCommandRegistry& CCommandRegistry::ViewCommands() {
    static CCommandRegistry registry;
    return registry;
}

void RegisterAllViewCommands() {
    static std::once_flag once;
    std::call_once(once, [] {
        CCommandRegistry& r = CCommandRegistry::ViewCommands();
        RegisterViewCommands(r);
        RegisterEditCommands(r);
    });
}

}  // namespace kavitro
