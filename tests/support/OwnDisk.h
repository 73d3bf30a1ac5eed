#pragma once
// A small tmpfs that this process alone sees: a full disk without filling the
// machine's.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// Mounts a tmpfs over `folder` in a mount namespace of the process's own,
// taken with a user namespace where the process may not take one alone (that
// needs a process without threads). False where it may not mount one.
inline bool MountOwnTmpfs(const std::string& folder, const char* options)
{
    const std::string uid = "0 " + std::to_string(::getuid()) + " 1";
    const std::string gid = "0 " + std::to_string(::getgid()) + " 1";
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid;
        std::ofstream("/proc/self/gid_map") << gid;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options) == 0;
}

// The test binary run with this variable mounts a disk of its own over the
// folder it names, before any thread starts, or ends with kNoOwnDisk.
inline constexpr const char* kOwnDiskVariable = "KVX_TEST_OWN_DISK";
inline constexpr const char* kOwnDiskOptions = "size=256k";
inline constexpr int kNoOwnDisk = 77;

// Runs `test` of this binary again with a disk of its own over `folder`, its
// output with this one's: its exit status, 124 when it ran past a minute.
inline int RunWithOwnDisk(const std::string& test, const std::string& folder)
{
    const std::string binary = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kOwnDiskVariable) + "='" + folder + "' timeout 60 '" + binary +
                                "' --gtest_filter=" + test;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
