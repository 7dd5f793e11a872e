// Whole-file reading and atomic replacement.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/AtomicFile.h"
#include "tests/support/FileSizeLimit.h"

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

}  // namespace
}  // namespace kavitro
