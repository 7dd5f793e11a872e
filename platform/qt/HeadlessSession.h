#pragma once

// What a command-line tool needs before its QGuiApplication exists: Qt's
// offscreen platform unless another one is asked for, and a runtime folder
// of its own when the session has none. Without one Qt warns on every run
// ("XDG_RUNTIME_DIR not set"), and a tool's standard error is for its own
// messages. The folder is made private (0700, as Qt wants it) and removed
// again with the session.

#include <string>

namespace kavitro {

class HeadlessSession {
public:
    HeadlessSession();
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // The runtime folder made for this run; empty when the session had one.
    const std::string& PrivateRuntimeFolder() const { return m_privateRuntime; }

private:
    std::string m_privateRuntime;
};

}  // namespace kavitro
