#pragma once

// While it lives, writes that would grow a file past a few bytes fail, as
// on a full disk, even for a privileged user: the process's file-size limit
// is lowered and the signal for crossing it ignored, so that the write
// itself returns an error. Both come back at the end of the scope.

#include <signal.h>
#include <sys/resource.h>

namespace kavitro::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
        if (!m_active)
            ::signal(SIGXFSZ, m_oldHandler);
    }
    ~FileSizeLimit() {
        if (!m_active)
            return;
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit is in force (tests assert it before they write).
    bool IsActive() const { return m_active; }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler = SIG_DFL;
    bool m_active = false;
};

}  // namespace kavitro::test
