#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <initializer_list>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/FileSizeLimit.h"
#include "support/OwnDisk.h"

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process: its exit code, or -1 when it was killed.
int inChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each system call given fails with its error, for the rest of the process
// (a child's).
bool refuse(std::initializer_list<std::pair<int, int>> calls)
{
    std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (const auto& [call, error] : calls) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __u32(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | __u32(error)));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// As on a filesystem that refuses any mode (FAT through a user-space driver):
// fchmod fails.
bool refuseChmod() { return refuse({{__NR_fchmod, ENOSYS}}); }

// As on FAT through a user-space driver: no fallocate, and the byte a block
// that the C library then writes past the file's end is refused.
bool refuseFallocate() { return refuse({{__NR_fallocate, EOPNOTSUPP}, {__NR_pwrite64, EIO}}); }

void fillDisk(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    ::close(fd);
}

// Several keys in one write that leaves the room kept for the file alone.
bool writeKeys(const char* section, const std::vector<std::pair<std::string, std::string>>& keys, const std::string& path)
{
    return WriteProfileKeys(section, keys, path.c_str(), KeptRoom::Keep) == ProfileWrite::Written;
}

size_t entries(const std::string& folder)
{
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "/profileXXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = folder + "/test.ini";
    }
    void TearDown() override { fs::remove_all(folder); }

    void put(const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string bytes() const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string get(const char* section, const char* key, const char* def = "DEF")
    {
        char out[256];
        DWORD n = GetPrivateProfileStringA(section, key, def, out, sizeof out, path.c_str());
        EXPECT_EQ(n, std::strlen(out));
        return out;
    }
    BOOL write(const char* section, const char* key, const char* value)
    {
        return WritePrivateProfileStringA(section, key, value, path.c_str());
    }

    std::string folder;
    std::string path;
};

TEST_F(ProfileTest, LookupIgnoresCaseAndOuterBlanks)
{
    put("[General]\r\nName=KVX\r\n  [ Well Info ]  \r\n  Start Depth  =  12.5  \r\nx=1\r\n");
    EXPECT_EQ(get("general", "NAME"), "KVX");
    EXPECT_EQ(get("well info", "start depth"), "12.5");
    EXPECT_EQ(get("WellInfo", "start depth"), "DEF");  // blanks inside a name count
    EXPECT_EQ(get("Well Info", "StartDepth"), "DEF");
    EXPECT_EQ(get("General", "x"), "DEF");  // keys belong to their own section only
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin)
{
    put("[A]\nk=first\nk=second\n[B]\nj=1\n[a]\nk=third\nm=only in second\n");
    EXPECT_EQ(get("A", "k"), "first");
    EXPECT_EQ(get("A", "m"), "DEF");
}

TEST_F(ProfileTest, LinesThatAreNoKeyOrHeader)
{
    put("k=outside\n[S]\nno equal sign\n[broken\nk=v ; not a comment\nempty=\n;c=comment key\n");
    EXPECT_EQ(get("S", "k"), "v ; not a comment");  // "[broken" does not open a section
    EXPECT_EQ(get("broken", "k"), "DEF");
    EXPECT_EQ(get("S", "no equal sign"), "DEF");
    EXPECT_EQ(get("S", "empty"), "");
    EXPECT_EQ(get("S", ";c"), "comment key");
}

TEST_F(ProfileTest, OneMatchingPairOfQuotesIsRemoved)
{
    put("[Q]\na=\" two  blanks \"\nb='single'\nc=\"open\nd=\"mixed'\ne=\"\"\"\nf=\"\n");
    EXPECT_EQ(get("Q", "a"), " two  blanks ");
    EXPECT_EQ(get("Q", "b"), "single");
    EXPECT_EQ(get("Q", "c"), "\"open");
    EXPECT_EQ(get("Q", "d"), "\"mixed'");
    EXPECT_EQ(get("Q", "e"), "\"");
    EXPECT_EQ(get("Q", "f"), "\"");
}

TEST_F(ProfileTest, EveryLineEndIsRead)
{
    put("[S]\r\na=1\nb=2\rc=3\r\r\nd=4");
    EXPECT_EQ(get("S", "a"), "1");
    EXPECT_EQ(get("S", "b"), "2");
    EXPECT_EQ(get("S", "c"), "3");
    EXPECT_EQ(get("S", "d"), "4");

    // A NUL byte ends its line.
    put(std::string("[S]\nk=ab\0c=cd\n", 14));
    EXPECT_EQ(get("S", "k"), "ab");
    EXPECT_EQ(get("S", "c"), "cd");
}

TEST_F(ProfileTest, DefaultsAndCutting)
{
    EXPECT_EQ(get("S", "k", "missing file"), "missing file");
    EXPECT_FALSE(fs::exists(path));  // reading does not create it
    EXPECT_EQ(get("S", "k", nullptr), "");

    put("[S]\nk=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(get("S", "k"), std::string(255, 'x'));
    EXPECT_EQ(get("T", "k", "no section"), "no section");

    char out[4] = {'?', '?', '?', '?'};
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", out, 4, path.c_str()), 3u);
    EXPECT_STREQ(out, "xxx");
    EXPECT_EQ(GetPrivateProfileStringA("S", "none", "long default", out, 4, path.c_str()), 3u);
    EXPECT_STREQ(out, "lon");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", out, 1, path.c_str()), 0u);
    EXPECT_STREQ(out, "");
    out[0] = '?';
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", out, 0, path.c_str()), 0u);
    EXPECT_EQ(out[0], '?');
}

TEST_F(ProfileTest, ReplacingAValueKeepsEveryOtherByte)
{
    put("; head\n[General]\r\n  NAME = old value  \r\nb=2\n\n[Other]\r\nname=x");
    EXPECT_TRUE(write("general", "name", "new"));
    EXPECT_EQ(bytes(), "; head\n[General]\r\n  NAME =new\r\nb=2\n\n[Other]\r\nname=x");
    EXPECT_TRUE(write("OTHER", "Name", ""));
    EXPECT_EQ(bytes(), "; head\n[General]\r\n  NAME =new\r\nb=2\n\n[Other]\r\nname=");
    EXPECT_EQ(get("Other", "name"), "");

    // A value written with a width keeps its width, save after save.
    EXPECT_TRUE(write("General", "b", "     1"));
    EXPECT_TRUE(write("General", "b", "     1"));
    EXPECT_EQ(bytes(), "; head\n[General]\r\n  NAME =new\r\nb=     1\n\n[Other]\r\nname=");
}

TEST_F(ProfileTest, NewKeyGoesAfterTheSectionsLastKey)
{
    put("[A]\r\na=1\r\n;note\r\n\r\n\r\n[B]\r\n[A]\r\nz=9\r\n");
    EXPECT_TRUE(write("A", "b", "2"));
    EXPECT_EQ(bytes(), "[A]\r\na=1\r\nb=2\r\n;note\r\n\r\n\r\n[B]\r\n[A]\r\nz=9\r\n");
    EXPECT_TRUE(write("B", "k", "v"));
    EXPECT_EQ(bytes(), "[A]\r\na=1\r\nb=2\r\n;note\r\n\r\n\r\n[B]\r\nk=v\r\n[A]\r\nz=9\r\n");

    put("[A]\r\nlast=1");  // the last line has no line end
    EXPECT_TRUE(write("A", "next", "2"));
    EXPECT_EQ(bytes(), "[A]\r\nlast=1\r\nnext=2\r\n");
}

TEST_F(ProfileTest, NewSectionIsAppended)
{
    put("[A]\na=1\n\n");
    EXPECT_TRUE(write("New", "k", "v"));
    EXPECT_EQ(bytes(), "[A]\na=1\n\n[New]\r\nk=v\r\n");

    put("[A]\na=1");
    EXPECT_TRUE(write("New", "k", "v"));
    EXPECT_EQ(bytes(), "[A]\na=1\r\n[New]\r\nk=v\r\n");
}

TEST_F(ProfileTest, WrittenTextCannotSplitItsLine)
{
    EXPECT_TRUE(write("S", "k", "one\r\n[S]\nk=two"));
    EXPECT_EQ(bytes(), "[S]\r\nk=one  [S] k=two\r\n");
}

TEST_F(ProfileTest, DeletingKeysAndSections)
{
    const std::string file = "[A]\r\nk=1\r\nK = 2\r\nm=3\r\n[B]\r\nk=4\r\n[a]\r\nn=5\r\n";
    put(file);
    EXPECT_TRUE(write("A", "k", nullptr));
    EXPECT_EQ(bytes(), "[A]\r\nm=3\r\n[B]\r\nk=4\r\n[a]\r\nn=5\r\n");
    EXPECT_EQ(get("A", "k"), "DEF");

    EXPECT_TRUE(write("A", nullptr, nullptr));
    EXPECT_EQ(bytes(), "[B]\r\nk=4\r\n");
    EXPECT_EQ(get("A", "n"), "DEF");

    EXPECT_TRUE(write("B", "missing", nullptr));
    EXPECT_TRUE(write("missing", nullptr, nullptr));
    EXPECT_EQ(bytes(), "[B]\r\nk=4\r\n");
    EXPECT_FALSE(write(nullptr, "k", "v"));
}

TEST_F(ProfileTest, CreatingAndFailing)
{
    EXPECT_TRUE(write("S", "k", nullptr));  // nothing to delete: no file made
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(write("S", "k", "v"));
    EXPECT_EQ(bytes(), "[S]\r\nk=v\r\n");

    std::string lost = folder + "/no such folder/test.ini";
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", lost.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", folder.c_str()));

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_TRUE(write("S", "k", "w"));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // Keeping the mode is best effort.
    EXPECT_EQ(inChild([this] { return refuseChmod() && write("S", "k", "x") ? 0 : 1; }), 0)
        << "a copy whose mode could not be set was not used";
    EXPECT_EQ(bytes(), "[S]\r\nk=x\r\n");

    // A copy refused for another reason than room is a failure, not a full disk.
    for (const auto& [call, error] : {std::pair<int, int>{__NR_fsync, EIO}, {__NR_rename, EROFS}}) {
        SCOPED_TRACE(std::strerror(error));
        EXPECT_EQ(inChild([&] {
                      return refuse({{call, error}}) &&
                                     WriteProfileKeys("S", {{"k", "xyz"}}, path.c_str(), KeptRoom::Keep) ==
                                         ProfileWrite::Failed
                                 ? 0
                                 : 1;
                  }),
                  0)
            << "the write was not reported as failed";
        EXPECT_EQ(bytes(), "[S]\r\nk=x\r\n");
    }
}

TEST_F(ProfileTest, ReadOnlyFileIsReadButNeverReplaced)
{
    // Checked by the mode bits: a test run as root could write it all the same.
    for (mode_t mode : {0444, 0400, 0555, 0044}) {
        SCOPED_TRACE(mode);
        put("[S]\r\nk=v\r\n");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(get("S", "k"), "v");
        EXPECT_FALSE(write("S", "k", "changed"));
        EXPECT_FALSE(write("S", "k", "v"));  // even with nothing to change
        EXPECT_FALSE(write("S", nullptr, nullptr));
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        EXPECT_EQ(bytes(), "[S]\r\nk=v\r\n");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(ProfileTest, FifoReadsAsDefaultWithoutBlocking)
{
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    auto calls = std::async(std::launch::async,
                            [this] { return std::pair(get("S", "k"), write("S", "k", "v")); });
    if (calls.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        ADD_FAILURE() << "a FIFO blocked";
        // Give each blocked open a writer so that the test can end.
        while (calls.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
    }
    auto [value, written] = calls.get();
    EXPECT_EQ(value, "DEF");
    EXPECT_FALSE(written);
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(ProfileTest, SeveralKeysInOneWrite)
{
    put("[A]\r\nk=1\r\n[B]\r\n");
    EXPECT_TRUE(writeKeys("a", {{"K", "2"}, {"new", "3"}}, path));
    EXPECT_EQ(bytes(), "[A]\r\nk=2\r\nnew=3\r\n[B]\r\n");
    EXPECT_TRUE(writeKeys("C", {{"x", "1"}, {"y", "2"}}, path));
    EXPECT_EQ(bytes(), "[A]\r\nk=2\r\nnew=3\r\n[B]\r\n[C]\r\nx=1\r\ny=2\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(writeKeys("A", {{"k", "5"}}, path));
}

// A file without room for a copy, as on a full disk: the bytes that change
// are written in place when the file need not grow past what it may hold;
// otherwise nothing changes.
TEST_F(ProfileTest, FileWithoutRoomForACopyTakesOnlyWhatFitsInPlace)
{
    const std::string file = "[S]\r\nk=1\r\nm=7\r\n[T]\r\nlong=" + std::string(100, 'x') + "\r\n";
    const std::string lastChanged = std::string(99, 'x') + "y";
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        bool written;
    };
    const Case cases[] = {
        {"S", "k", "2", true},        // the same length, before the limit
        {"S", "k", "10", false},      // the file grows
        {"S", "k", "", false},        // the rest of the file moves
        {"T", "long", "yyy", false},  // shorter, past the limit
        {"T", "long", lastChanged.c_str(), false},  // a change past the limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        put(file);
        std::string expected = file;
        {
            FileSizeLimit limit(20);
            ASSERT_TRUE(limit.Set());
            EXPECT_EQ(c.written, write(c.section, c.key, c.value) != FALSE);
            if (c.written) {
                EXPECT_TRUE(writeKeys("S", {{"k", "3"}, {"m", "8"}}, path));
                expected = "[S]\r\nk=3\r\nm=8\r\n[T]\r\nlong=" + std::string(100, 'x') + "\r\n";
            }
        }
        EXPECT_EQ(bytes(), expected);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

// A change of the same length is still written in place, but not when it
// spans two pages: a process killed between them would leave both versions.
TEST_F(ProfileTest, FileWithoutRoomForACopyTakesNoChangeAcrossAPage)
{
    const std::string file = "[S]\r\nk=1\r\npad=" + std::string(5000, 'x') + "\r\nm=7\r\n";
    put(file);
    // Short of a copy by one byte, the whole change below the limit.
    {
        FileSizeLimit limit(file.size() - 1);
        ASSERT_TRUE(limit.Set());
        EXPECT_FALSE(writeKeys("S", {{"k", "2"}, {"m", "8"}}, path));
    }
    EXPECT_TRUE(bytes() == file) << "the file changed";

    // A change on a page's last byte, or on the next page's first, lies within one page.
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const std::string before = "[S]\r\nv=";
    for (const size_t changed : {page - 1, page}) {
        SCOPED_TRACE("byte " + std::to_string(changed) + " changed");
        const std::string value(changed - before.size(), 'x');
        put(before + value + "x\r\n");
        FileSizeLimit limit(before.size() + value.size() + 2);
        ASSERT_TRUE(limit.Set());
        EXPECT_TRUE(writeKeys("S", {{"v", value + "y"}}, path)) << "a change within one page was refused";
        EXPECT_TRUE(bytes() == before + value + "y\r\n") << "the file does not hold the change";
    }
}

// A name near the longest a file may have still gets a copy renamed over it.
TEST_F(ProfileTest, FileWithTheLongestNamesIsReplacedWhole)
{
    for (size_t length : {240, 250, 255}) {
        SCOPED_TRACE(length);
        path = folder + "/" + std::string(length - 4, 'n') + ".hed";
        for (const char* value : {"12345", "1", ""}) {
            put("[W]\r\nEndDepth=0\r\n[T]\r\nGridColour=12632256\r\n");
            EXPECT_TRUE(write("W", "EndDepth", value));
            EXPECT_EQ(bytes(), "[W]\r\nEndDepth=" + std::string(value) + "\r\n[T]\r\nGridColour=12632256\r\n");
        }
        fs::remove(path);
    }
    EXPECT_EQ(entries(folder), 0u);
}

// Without room for a copy because the folder takes no new file, nothing is
// written in place: only a full disk takes that way.
TEST_F(ProfileTest, FolderThatRefusesNewFilesChangesNothing)
{
    put("[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const int written = inChild([this] {
        // Root writes into any folder.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        return write("S", "k", "2") || write("S", "k", "10") ? 1 : 0;
    });
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(bytes(), "[S]\r\nk=1\r\n");
}

// A process killed while it writes a copy leaves it: the next write in the
// folder removes it, a key's or a whole new file's.
TEST_F(ProfileTest, CopyOfAKilledWriterIsRemoved)
{
    // The second name is cut in the copy's.
    for (const auto& [length, wholeFile] : {std::pair<size_t, bool>{8, false}, {250, false}, {20, true}}) {
        SCOPED_TRACE(std::to_string(length) + (wholeFile ? " whole file" : " key"));
        // A folder of its own: each is looked at once.
        const std::string own = folder + "/" + std::to_string(length);
        ASSERT_TRUE(fs::create_directory(own));
        path = own + "/" + std::string(length - 4, 'n') + ".ini";
        put("[S]\r\nk=1\r\n");
        const int killed = inChild([this] {
            // Killed by the size limit's signal in the middle of the copy.
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit small{5, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &small);
            return write("S", "k", "2") ? 0 : 1;
        });
        EXPECT_EQ(killed, -1);
        ASSERT_EQ(entries(own), 2u);
        // A name of that form beside no file of its name is not a copy.
        std::string copy;
        for (const auto& entry : fs::directory_iterator(own)) {
            if (entry.path() != path)
                copy = entry.path().filename().string();
        }
        const std::string notCopy = own + "/notes" + copy.substr(copy.rfind(".tmp"));
        std::ofstream(notCopy) << "kept";
        if (wholeFile)
            EXPECT_TRUE(WriteProfileFile(path.c_str(), "[S]\r\nk=1\r\nm=3\r\n"));
        else
            EXPECT_TRUE(write("S", "m", "3"));
        EXPECT_EQ(entries(own), 2u) << "the killed writer's copy was not removed";
        EXPECT_TRUE(fs::exists(notCopy));
        EXPECT_EQ(bytes(), "[S]\r\nk=1\r\nm=3\r\n");
    }
}

// Runs `write` in a child traced from the start of the write, killed at its
// `stops`-th stop at a system call; `prepare` runs before the trace starts.
enum class Traced { Killed, Done, WriteFailed, Untraceable };
Traced killedAtStop(int stops, const std::function<void()>& prepare, const std::function<bool()>& write)
{
    const pid_t writer = ::fork();
    if (writer == 0) {
        prepare();
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(2);
        ::raise(SIGSTOP);
        ::_exit(write() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    for (int stop = 0; WIFSTOPPED(status) && stop < stops; ++stop) {
        ::ptrace(PTRACE_SYSCALL, writer, nullptr, nullptr);
        ::waitpid(writer, &status, 0);
    }
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        return code == 0 ? Traced::Done : code == 1 ? Traced::WriteFailed : Traced::Untraceable;
    }
    ::kill(writer, SIGKILL);
    ::waitpid(writer, &status, 0);
    return Traced::Killed;
}

// Runs `write` in a child traced from its start; `atSleep` runs here when the
// child first enters a sleep, before it goes on.
Traced tracedToItsSleep(const std::function<void()>& atSleep, const std::function<bool()>& write)
{
    const pid_t writer = ::fork();
    if (writer == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(2);
        ::raise(SIGSTOP);
        ::_exit(write() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
    // Stops at system calls tell their call.
    ::ptrace(PTRACE_SETOPTIONS, writer, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    bool slept = false;
    while (WIFSTOPPED(status)) {
        __ptrace_syscall_info call {};
        if (!slept && ::ptrace(PTRACE_GET_SYSCALL_INFO, writer, sizeof call, &call) > 0 &&
            call.op == PTRACE_SYSCALL_INFO_ENTRY &&
            (call.entry.nr == __NR_nanosleep || call.entry.nr == __NR_clock_nanosleep)) {
            atSleep();
            slept = true;
        }
        ::ptrace(PTRACE_SYSCALL, writer, nullptr, nullptr);
        ::waitpid(writer, &status, 0);
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 2;
    return code == 0 ? Traced::Done : code == 1 ? Traced::WriteFailed : Traced::Untraceable;
}

// A header on a full disk takes a value of another length, its writer killed
// at each of the write's system calls in turn: the file is the old or the new
// version every time, and no copy stays behind.
TEST_F(ProfileTest, KilledWriterOnAFullDiskLeavesAWholeVersion)
{
    const auto version = [](const std::string& end) {
        std::string text = "[WellInfo]\r\nStartdepth=0\r\nEndDepth=" + end + "\r\n";
        for (int i = 0; i < 200; ++i)
            text += "Key" + std::to_string(i) + "=some value\r\n";
        return text + "[Track3]\r\nGridColour=12632256\r\n";
    };
    enum { kPassed, kNoTmpfs, kUntraceable, kWriteFailed, kTorn, kCopyLeft };
    const int result = inChild([&] {
        if (!MountOwnTmpfs(folder, "size=128k"))
            return int(kNoTmpfs);
        const std::string filler = folder + "/filler";
        const auto prepare = [&] {
            ReserveProfileRoom(path.c_str());
            fillDisk(filler);
        };
        // Longer, then shorter.
        const std::pair<const char*, const char*> changes[] = {{"0", "123456"}, {"123456", "7"}};
        for (const auto& [from, to] : changes) {
            // Odd stops enter a system call: killed there, every call before it has run whole.
            for (int stops = 1;; stops += 2) {
                put(version(from));
                const Traced traced = killedAtStop(stops, prepare, [&] {
                    return WriteProfileKeys("WellInfo", {{"EndDepth", to}}, path.c_str(), KeptRoom::Use) ==
                           ProfileWrite::Written;
                });
                ::unlink(filler.c_str());
                if (traced == Traced::Untraceable)
                    return int(kUntraceable);
                if (traced == Traced::WriteFailed)
                    return int(kWriteFailed);
                if (bytes() != version(from) && bytes() != version(to))
                    return int(kTorn);
                if (traced == Traced::Done)
                    break;
            }
        }
        if (!write("WellInfo", "EndDepth", "1") || entries(folder) != 1)
            return int(kCopyLeft);
        return int(kPassed);
    });
    if (result == kNoTmpfs || result == kUntraceable)
        GTEST_SKIP() << "no tmpfs of its own or no trace for this process";
    EXPECT_NE(result, kWriteFailed) << "a write on the full disk failed";
    EXPECT_NE(result, kTorn) << "the file matches no version";
    EXPECT_NE(result, kCopyLeft) << "a copy of a killed writer stayed";
    EXPECT_EQ(result, kPassed);
}

// The room kept for a file serves each write that may use it, the disk filled
// again before each, and no other write: that one, on the full disk, leaves
// the file and the room as they were; a write finding that room held a moment
// tries again. Also on a filesystem that cannot
// allocate; the room a killed process kept and the room released leave
// nothing in the folder.
TEST_F(ProfileTest, RoomKeptForAFileServesEachWriteThatMayUseIt)
{
    enum { kPassed, kNoTmpfs, kNoRoomKept, kRoomTaken, kWriteFailed, kNotTriedAgain, kUntraceable, kLeftBehind };
    for (const bool fallocate : {true, false}) {
        SCOPED_TRACE(fallocate ? "fallocate" : "no fallocate");
        const int result = inChild([&] {
            if (!MountOwnTmpfs(folder, "size=128k"))
                return int(kNoTmpfs);
            std::string text = "[WellInfo]\r\nEndDepth=0\r\n";
            for (int i = 0; i < 120; ++i)
                text += "Key" + std::to_string(i) + "=some value\r\n";
            put(text);
            if (!fallocate && !refuseFallocate())
                return int(kNoTmpfs);
            inChild([&] { return ReserveProfileRoom(path.c_str()) ? ::raise(SIGKILL) : 1; });
            if (!ReserveProfileRoom(path.c_str()))
                return int(kNoRoomKept);
            // The file and the room kept for it at most.
            if (entries(folder) > 2)
                return int(kLeftBehind);
            // Longer, shorter, longer by a line's worth, shorter, longer past a page.
            for (const std::string& value :
                 std::vector<std::string>{"123456", "7", std::string(200, '9'), "42", std::string(2000, '8')}) {
                fillDisk(folder + "/filler");
                const auto write = [&](KeptRoom room) {
                    return WriteProfileKeys("WellInfo", {{"EndDepth", value}}, path.c_str(), room);
                };
                if (write(KeptRoom::Keep) != ProfileWrite::NoRoom)
                    return int(kRoomTaken);
                if (write(KeptRoom::Use) != ProfileWrite::Written ||
                    bytes().find("\r\nEndDepth=" + value + "\r\n") == std::string::npos)
                    return int(kWriteFailed);
            }
            // The room given up still held a moment, as by a process forked
            // meanwhile (this one keeps it open until the writer sleeps).
            ::unlink((folder + "/filler").c_str());
            if (!ReserveProfileRoom(path.c_str()))
                return int(kNoRoomKept);
            fillDisk(folder + "/filler");
            const Traced traced = tracedToItsSleep([] { ReleaseProfileRoom(); }, [&] {
                const bool written =
                    WriteProfileKeys("WellInfo", {{"EndDepth", "5"}}, path.c_str(), KeptRoom::Use) ==
                    ProfileWrite::Written;
                ReleaseProfileRoom();
                return written;
            });
            if (traced != Traced::Done)
                return int(traced == Traced::Untraceable ? kUntraceable : kNotTriedAgain);
            ReleaseProfileRoom();
            ::unlink((folder + "/filler").c_str());
            return int(entries(folder) == 1 ? kPassed : kLeftBehind);
        });
        if (result == kNoTmpfs || result == kUntraceable)
            GTEST_SKIP() << "no tmpfs of its own, no system call filter or no trace for this process";
        EXPECT_NE(result, kNoRoomKept) << "no room kept on an empty disk";
        EXPECT_NE(result, kRoomTaken) << "a write that may not use the room kept took it";
        EXPECT_NE(result, kWriteFailed) << "a write on the disk filled again found no room kept";
        EXPECT_NE(result, kNotTriedAgain) << "a write whose room was held a moment did not try again";
        EXPECT_NE(result, kLeftBehind) << "the room kept by a killed process or released stayed in the folder";
        EXPECT_EQ(result, kPassed);
    }
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey)
{
    constexpr int kThreads = 8;
    constexpr int kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            std::string section = "S" + std::to_string(t % 3);
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
                write(section.c_str(), key.c_str(), key.c_str());
                char out[64];
                GetPrivateProfileStringA(section.c_str(), key.c_str(), "", out, sizeof out,
                                         path.c_str());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        std::string section = "S" + std::to_string(t % 3);
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
            EXPECT_EQ(get(section.c_str(), key.c_str()), key);
        }
    }
}

}  // namespace
