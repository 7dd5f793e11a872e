#pragma once

// A small file system of its own for the tests of full and read-only disks:
// a tmpfs of a few kilobytes mounted on a temporary folder, read-only when
// asked. Mounting needs the privilege to do so; where the machine does not
// give it, IsMounted() is false and the test skips. The mount is made in a
// mount namespace of the test process's own where it can be, so that
// nothing stays mounted if the test dies.

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kavitro::test {

class SmallDisk {
public:
    SmallDisk(std::size_t bytes, bool readOnly) {
        PrivateMounts();
        std::error_code ignored;
        m_folder = std::filesystem::temp_directory_path(ignored) /
                   ("kavitro-disk-" + std::to_string(::getpid()) + "-" + std::to_string(++Count()));
        if (!std::filesystem::create_directories(m_folder, ignored)) return;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        m_mounted = ::mount("kavitro-test", m_folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(m_folder.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove(m_folder, ignored);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsMounted() const { return m_mounted; }
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    static int& Count() {
        static int count = 0;
        return count;
    }
    // Once per process: a mount namespace of its own whose mounts do not
    // reach the machine's. A failure leaves the mounts shared; the
    // destructor still takes them down.
    static void PrivateMounts() {
        static const bool done = [] {
            return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        }();
        (void)done;
    }

    std::filesystem::path m_folder;
    bool m_mounted = false;
};

}  // namespace kavitro::test
