#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

namespace kavitro {
namespace {

namespace fs = std::filesystem;

// Tells a failure to the caller: an English text and the problem, each
// when asked for.
class Failure {
public:
    Failure(std::string* reason, FileProblem* problem, bool writing)
        : m_reason(reason), m_problem(problem), m_writing(writing) {}
    void Set(FileProblem problem, std::string text) const {
        if (m_reason) *m_reason = std::move(text);
        if (m_problem) *m_problem = problem;
    }
    // The failure of the system call that just set errno.
    void FromErrno() const { FromError(errno); }
    void FromError(int error) const { Set(FileProblemOf(error, m_writing), std::strerror(error)); }

private:
    std::string* m_reason;
    FileProblem* m_problem;
    bool m_writing;
};

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now, reporting whether the close (the last chance for a
    // delayed write error) succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes what the producer hands over. False with errno set when a piece
// cannot be written, or to ECANCELED when the producer gives up.
bool WriteProduced(int fd, const std::function<bool(const ByteSink&)>& produce) {
    int error = 0;
    const bool complete = produce([&](std::span<const std::uint8_t> piece) {
        if (error == 0 && !WriteAll(fd, piece)) error = errno;
        return error == 0;
    });
    if (error == 0 && complete) return true;
    errno = error != 0 ? error : ECANCELED;
    return false;
}

// Makes a finished rename survive a crash; failure here does not undo it.
void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file a chain of symbolic links ends at (the path itself when it is
// no link); nothing for a loop. A link to a missing file gives that file,
// so that writing through it creates the file the link names.
std::optional<fs::path> FollowLinks(fs::path path) {
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path target = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

// A read-only file stays read-only, even for a user whom the system would
// let write it anyway (root): its owner's write bit decides for its owner.
bool IsWritableByUs(const fs::path& file, const struct stat& info) {
    if (info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) == 0) return false;
    return ::access(file.c_str(), W_OK) == 0;
}

std::string RandomSuffix() {
    static thread_local std::mt19937 generator{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix = ".";
    for (int i = 0; i < 8; ++i) suffix += kLetters[pick(generator)];
    return suffix;
}

// The unnamed file's bytes get a name next to the target; the name is then
// renamed over the target. Between the two steps a kill can leave the name,
// but never a partly written file.
bool NameAndReplace(int fd, const fs::path& target, const Failure& failure) {
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = target.string() + RandomSuffix();
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            failure.FromErrno();
            return false;
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            failure.FromErrno();
            ::unlink(temporary.c_str());
            return false;
        }
        return true;
    }
    failure.Set(FileProblem::Other, "no free temporary name");
    return false;
}

// The fallback where the file system has no unnamed files: a named
// temporary that a kill during the write would leave behind.
bool WriteThroughNamedTemporary(const fs::path& target, mode_t mode,
                                const std::function<bool(const ByteSink&)>& produce, const Failure& failure) {
    std::string temporary = target.string() + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        failure.FromErrno();
        return false;
    }
    bool ok = WriteProduced(fd.Get(), produce) && ::fchmod(fd.Get(), mode) == 0 && ::fsync(fd.Get()) == 0;
    if (!ok) failure.FromErrno();
    if (!fd.Close() && ok) {
        failure.FromErrno();
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        failure.FromErrno();
        ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

FileProblem FileProblemOf(int systemError, bool writing) {
    switch (systemError) {
        case 0: return FileProblem::None;
        case ENOSPC:
        case EDQUOT: return FileProblem::NoSpace;
        case EACCES:
        case EPERM: return FileProblem::NoPermission;
        case ENOENT: return writing ? FileProblem::FolderMissing : FileProblem::FileMissing;
        case ENOTDIR: return FileProblem::FolderMissing;
        case EROFS: return FileProblem::ReadOnlyDisk;
        case ETXTBSY: return FileProblem::ReadOnlyFile;
        case EISDIR:
        case ENXIO:
        case ENODEV: return FileProblem::NotAFile;
        case EFBIG:
        case EOVERFLOW: return FileProblem::TooLarge;
        case EIO: return FileProblem::DiskError;
        default: return FileProblem::Other;
    }
}

bool WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes, std::string* reason,
                         FileProblem* problem) {
    return WriteFileAtomically(
        path, [bytes](const ByteSink& sink) { return sink(bytes); }, reason, problem);
}

bool WriteFileAtomically(const fs::path& path, const std::function<bool(const ByteSink&)>& produce,
                         std::string* reason, FileProblem* problem) {
    const Failure failure(reason, problem, true);
    if (path.filename().empty()) {
        failure.Set(FileProblem::NotAFile, "no file name");
        return false;
    }
    const std::optional<fs::path> resolved = FollowLinks(path);
    if (!resolved) {
        failure.FromError(ELOOP);
        return false;
    }
    const fs::path& target = *resolved;

    // An existing file keeps its permissions; a new one gets what the umask
    // gives a plain new file.
    mode_t mode = 0;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            failure.Set(FileProblem::NotAFile, "not a regular file");
            return false;
        }
        if (!IsWritableByUs(target, existing)) {
            failure.Set(FileProblem::ReadOnlyFile, "the file is read-only");
            return false;
        }
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    FileDescriptor fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            failure.FromErrno();
            return false;
        }
        if (!WriteThroughNamedTemporary(target, mode, produce, failure)) return false;
        SyncFolder(folder);
        return true;
    }
    if (!WriteProduced(fd.Get(), produce) || ::fchmod(fd.Get(), mode) != 0 || ::fsync(fd.Get()) != 0) {
        failure.FromErrno();
        return false;
    }
    if (!NameAndReplace(fd.Get(), target, failure)) return false;
    // A failed close cannot undo the rename, and the bytes were synced
    // before it: the file holds them.
    fd.Close();
    SyncFolder(folder);
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path, std::size_t maxBytes,
                                                       std::string* reason, FileProblem* problem) {
    const Failure failure(reason, problem, false);
    // Non-blocking, so that opening a FIFO returns at once; the kind of file
    // is checked right after.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        failure.FromErrno();
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        failure.FromErrno();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        failure.Set(FileProblem::NotAFile, S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file");
        return std::nullopt;
    }
    const auto tooLarge = [&] {
        failure.Set(FileProblem::TooLarge, "larger than " + std::to_string(maxBytes) + " bytes");
        return std::nullopt;
    };
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) return tooLarge();

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    for (;;) {
        // The file may grow while it is read: one byte past the cap is
        // asked for, so that growing past it is noticed.
        if (done == bytes.size()) {
            if (bytes.size() > maxBytes) return tooLarge();
            bytes.resize(std::min(std::min(maxBytes, SIZE_MAX - 1) + 1, std::max<std::size_t>(bytes.size() * 2, 4096)));
        }
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failure.FromErrno();
            return std::nullopt;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done > maxBytes) return tooLarge();
    bytes.resize(done);
    return bytes;
}

}  // namespace kavitro
