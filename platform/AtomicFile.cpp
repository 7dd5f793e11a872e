#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace kavitro {
namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Makes a finished rename survive a crash; failure here does not undo it.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    if (path.filename().empty())
        return false;
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // mkostemp creates the file for its owner only; give it the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(path.parent_path());
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return bytes;
}

}  // namespace kavitro
