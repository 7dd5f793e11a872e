#include "platform/qt/HeadlessSession.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kavitro {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

HeadlessSession::HeadlessSession() {
    if (!IsSet("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (IsSet("XDG_RUNTIME_DIR"))
        return;
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    std::string pattern = ((error ? std::filesystem::path("/tmp") : temp) / "kavitro-runtime-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkdtemp makes the folder 0700: Qt accepts it without a word.
    if (!mkdtemp(name.data()))
        return;  // Qt falls back to a folder of its own, and says so
    m_privateRuntime = name.data();
    setenv("XDG_RUNTIME_DIR", m_privateRuntime.c_str(), 1);
}

HeadlessSession::~HeadlessSession() {
    if (m_privateRuntime.empty())
        return;
    unsetenv("XDG_RUNTIME_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(m_privateRuntime, ignored);
}

}  // namespace kavitro
