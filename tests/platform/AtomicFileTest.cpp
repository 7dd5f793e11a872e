// Whole-file reading and atomic replacement.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

#include "platform/AtomicFile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SmallDisk.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("kavitro-atomic-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
    static mode_t ModeOf(const fs::path& file) {
        struct stat info {};
        return ::stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
    fs::path m_dir;
};

TEST_F(AtomicFile, WritesReplacesAndReadsBack) {
    const fs::path file = m_dir / "a.bin";
    const Bytes first(1000, 0x11);
    const Bytes second{1, 2, 3};
    ASSERT_TRUE(WriteFileAtomically(file, first));
    EXPECT_EQ(ReadWholeFile(file, 1000), first);
    ASSERT_TRUE(WriteFileAtomically(file, second));
    EXPECT_EQ(ReadWholeFile(file, 1000), second);
    ASSERT_TRUE(WriteFileAtomically(file, Bytes{}));
    EXPECT_EQ(ReadWholeFile(file, 0), Bytes{});
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(AtomicFile, ReadRefusesMissingFoldersAndOversizedFiles) {
    const fs::path file = m_dir / "big.bin";
    ASSERT_TRUE(WriteFileAtomically(file, Bytes(10000, 7)));
    EXPECT_FALSE(ReadWholeFile(file, 9999).has_value());
    EXPECT_TRUE(ReadWholeFile(file, 10000).has_value());
    EXPECT_FALSE(ReadWholeFile(m_dir / "missing", 100).has_value());
    EXPECT_FALSE(ReadWholeFile(m_dir, 100).has_value());
}

TEST_F(AtomicFile, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const fs::path file = m_dir / "keep.bin";
    const Bytes old{9, 8, 7};
    ASSERT_TRUE(WriteFileAtomically(file, old));

    bool written = true;
    {
        const test::FileSizeLimit limit(16);  // the write fails part-way
        ASSERT_TRUE(limit.IsActive());
        written = WriteFileAtomically(file, Bytes(4096, 1));
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadWholeFile(file, 100), old);
    EXPECT_EQ(FilesInFolder(), 1u);

    EXPECT_FALSE(WriteFileAtomically(m_dir / "no-such-folder" / "x.bin", old));
    fs::create_directories(m_dir / "folder.bin");
    EXPECT_FALSE(WriteFileAtomically(m_dir / "folder.bin", old));
    EXPECT_EQ(FilesInFolder(), 2u);
}

// A file made piece by piece: the pieces in order, or, when its maker gives
// up or a piece cannot be written, the old file and nothing else.
TEST_F(AtomicFile, WritesPiecesAndKeepsTheOldFileWhenTheMakerGivesUp) {
    const fs::path file = m_dir / "pieces.bin";
    const Bytes old{9, 8, 7};
    ASSERT_TRUE(WriteFileAtomically(file, old));
    const auto pieces = [](bool finish) {
        return [finish](const ByteSink& sink) {
            for (std::uint8_t k = 1; k <= 3; ++k)
                if (!sink(Bytes(1000, k))) return false;
            return finish;
        };
    };

    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(file, pieces(false), &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(ReadWholeFile(file, 10000), old);
    bool written = true;
    {
        const test::FileSizeLimit limit(1500);  // the second piece fails
        ASSERT_TRUE(limit.IsActive());
        written = WriteFileAtomically(file, pieces(true));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadWholeFile(file, 10000), old);
    EXPECT_EQ(FilesInFolder(), 1u);

    ASSERT_TRUE(WriteFileAtomically(file, pieces(true)));
    Bytes expected;
    for (std::uint8_t k = 1; k <= 3; ++k) expected.insert(expected.end(), 1000, k);
    EXPECT_EQ(ReadWholeFile(file, 10000), expected);
    EXPECT_EQ(FilesInFolder(), 1u);
}

// None of these may block, be read to its end or be loaded whole: each is
// refused before a byte is read.
TEST_F(AtomicFile, ReadRefusesWhatIsNoRegularFileOrTooLarge) {
    const fs::path fifo = m_dir / "fifo.kv2";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path zeroLink = m_dir / "zero.kv2";
    fs::create_symlink("/dev/zero", zeroLink);
    const fs::path sparse = m_dir / "sparse.kv2";
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{100} << 30), 0);  // 100 GB of holes
        ::close(fd);
    }
    for (const fs::path& hostile : {fifo, zeroLink, fs::path("/dev/zero"), sparse, m_dir}) {
        SCOPED_TRACE(hostile.string());
        std::string reason;
        EXPECT_FALSE(ReadWholeFile(hostile, std::size_t{1} << 20, &reason).has_value());
        EXPECT_FALSE(reason.empty());
    }
}

TEST_F(AtomicFile, WriteKeepsTheFilesModeAndLinkAndRefusesReadOnlyFiles) {
    const fs::path privateFile = m_dir / "private.bin";
    ASSERT_TRUE(WriteFileAtomically(privateFile, Bytes{1}));
    ASSERT_EQ(::chmod(privateFile.c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomically(privateFile, Bytes{2}));
    EXPECT_EQ(ModeOf(privateFile), 0600u);

    // Through a relative link: the link stays, the file it names changes.
    const fs::path link = m_dir / "link.bin";
    fs::create_symlink("private.bin", link);
    ASSERT_TRUE(WriteFileAtomically(link, Bytes{3}));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(ReadWholeFile(privateFile, 10), Bytes{3});
    EXPECT_EQ(ModeOf(privateFile), 0600u);

    // A new file gets what the umask leaves of rw for everyone.
    const mode_t mask = ::umask(022);
    EXPECT_TRUE(WriteFileAtomically(m_dir / "new.bin", Bytes{4}));
    ::umask(mask);
    EXPECT_EQ(ModeOf(m_dir / "new.bin"), 0644u);

    const fs::path readOnly = m_dir / "read-only.bin";
    ASSERT_TRUE(WriteFileAtomically(readOnly, Bytes{5}));
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(readOnly, Bytes{6}, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(ReadWholeFile(readOnly, 10), Bytes{5});
    EXPECT_EQ(FilesInFolder(), 4u);
}

// Every failure says what went wrong in terms the interface can name.
TEST_F(AtomicFile, FailuresNameTheirProblem) {
    const fs::path file = m_dir / "a.bin";
    ASSERT_TRUE(WriteFileAtomically(file, Bytes{1}));
    const fs::path readOnly = m_dir / "read-only.bin";
    ASSERT_TRUE(WriteFileAtomically(readOnly, Bytes{1}));
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const fs::path fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const auto readProblem = [](const fs::path& path, std::size_t cap) {
        FileProblem problem = FileProblem::None;
        EXPECT_FALSE(ReadWholeFile(path, cap, nullptr, &problem).has_value()) << path;
        return problem;
    };
    const auto writeProblem = [](const fs::path& path) {
        FileProblem problem = FileProblem::None;
        EXPECT_FALSE(WriteFileAtomically(path, Bytes(4096, 1), nullptr, &problem)) << path;
        return problem;
    };
    EXPECT_EQ(readProblem(m_dir / "missing.bin", 100), FileProblem::FileMissing);
    EXPECT_EQ(readProblem(fifo, 100), FileProblem::NotAFile);
    EXPECT_EQ(readProblem(m_dir, 100), FileProblem::NotAFile);
    EXPECT_EQ(readProblem(file, 0), FileProblem::TooLarge);
    EXPECT_EQ(writeProblem(m_dir / "no-such-folder" / "x.bin"), FileProblem::FolderMissing);
    EXPECT_EQ(writeProblem(file / "x.bin"), FileProblem::FolderMissing);
    EXPECT_EQ(writeProblem(readOnly), FileProblem::ReadOnlyFile);
    EXPECT_EQ(writeProblem(m_dir), FileProblem::NotAFile);
    {
        const test::FileSizeLimit limit(16);
        ASSERT_TRUE(limit.IsActive());
        EXPECT_EQ(writeProblem(file), FileProblem::TooLarge);
    }
    if (::geteuid() != 0) {  // the system lets a privileged user write anywhere
        const fs::path closed = m_dir / "closed";
        fs::create_directories(closed);
        ASSERT_EQ(::chmod(closed.c_str(), 0555), 0);
        EXPECT_EQ(writeProblem(closed / "x.bin"), FileProblem::NoPermission);
        ASSERT_EQ(::chmod(readOnly.c_str(), 0), 0);
        EXPECT_EQ(readProblem(readOnly, 100), FileProblem::NoPermission);
    }

    const test::SmallDisk full(16 * 1024, false);
    const test::SmallDisk readOnlyDisk(16 * 1024, true);
    if (!full.IsMounted() || !readOnlyDisk.IsMounted()) GTEST_SKIP() << "no small disk can be mounted here";
    FileProblem problem = FileProblem::None;
    EXPECT_FALSE(WriteFileAtomically(full.Folder() / "big.bin", Bytes(1 << 20, 1), nullptr, &problem));
    EXPECT_EQ(problem, FileProblem::NoSpace);
    EXPECT_TRUE(fs::is_empty(full.Folder()));
    EXPECT_EQ(writeProblem(readOnlyDisk.Folder() / "x.bin"), FileProblem::ReadOnlyDisk);
}

TEST(FileProblemOf, MapsSystemErrors) {
    const struct {
        int error;
        bool writing;
        FileProblem problem;
    } cases[] = {
        {ENOSPC, true, FileProblem::NoSpace},        {EDQUOT, true, FileProblem::NoSpace},
        {EACCES, false, FileProblem::NoPermission},  {EPERM, true, FileProblem::NoPermission},
        {ENOENT, true, FileProblem::FolderMissing},  {ENOENT, false, FileProblem::FileMissing},
        {ENOTDIR, false, FileProblem::FolderMissing}, {EROFS, true, FileProblem::ReadOnlyDisk},
        {EISDIR, true, FileProblem::NotAFile},       {EFBIG, true, FileProblem::TooLarge},
        {EIO, false, FileProblem::DiskError},        {EBADF, true, FileProblem::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(FileProblemOf(c.error, c.writing), c.problem) << c.error;
}

TEST_F(AtomicFile, ProcessKilledWhileWritingLeavesOnlyTheOldFile) {
    const fs::path file = m_dir / "keep.bin";
    const Bytes old{9, 8, 7};
    ASSERT_TRUE(WriteFileAtomically(file, old));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Crossing the file-size limit kills the writer in the middle of
        // its write, as a kill would.
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        WriteFileAtomically(file, Bytes(1 << 20, 1));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadWholeFile(file, 100), old);
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
}  // namespace kavitro
