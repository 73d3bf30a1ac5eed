#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// USB threads log errors while the user-interface thread saves: one lock for
// every profile access of the process.
std::mutex g_profileMutex;

constexpr std::string_view kLineEnd = "\r\n";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

enum class LineKind { Other, Header, Key };

// Offsets into the file text: [begin, contentEnd) is the line, [contentEnd, end)
// its line end (empty on a last line without one).
struct Line {
    size_t begin = 0;
    size_t contentEnd = 0;
    size_t end = 0;
    LineKind kind = LineKind::Other;
    std::string_view name;  // section of a header, key of a key line, trimmed
    size_t equalEnd = 0;    // key line: just after its '='
    size_t valueBegin = 0;  // key line: after '=' and the blanks that follow it
};

Line parseLine(std::string_view text, size_t begin, size_t contentEnd, size_t end)
{
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    line.end = end;
    std::string_view content = text.substr(begin, contentEnd - begin);
    std::string_view body = trim(content);
    if (!body.empty() && body.front() == '[') {
        size_t close = body.find(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Header;
            line.name = trim(body.substr(1, close - 1));
            return line;
        }
    }
    size_t equal = content.find('=');
    if (equal == std::string_view::npos)
        return line;
    line.kind = LineKind::Key;
    line.name = trim(content.substr(0, equal));
    line.equalEnd = begin + equal + 1;
    size_t value = line.equalEnd;
    while (value < contentEnd && isBlank(text[value]))
        ++value;
    line.valueBegin = value;
    return line;
}

template <typename Visit>
void forEachLine(std::string_view text, Visit visit)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t contentEnd = begin;
        while (contentEnd < text.size() && !isLineEnd(text[contentEnd]))
            ++contentEnd;
        size_t end = contentEnd;
        if (end < text.size()) {
            bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            end += crLf ? 2 : 1;
        }
        visit(parseLine(text, begin, contentEnd, end));
        begin = end;
    }
}

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    forEachLine(text, [&](const Line& line) { lines.push_back(line); });
    return lines;
}

std::string lowered(std::string_view name)
{
    std::string result(name);
    for (char& c : result)
        c = lowerAscii(c);
    return result;
}

constexpr size_t kNone = size_t(-1);

size_t findSection(const std::vector<Line>& lines, std::string_view section)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Header && equalNoCase(lines[i].name, section))
            return i;
    }
    return kNone;
}

// Index of the next header after `header`, or the line count.
size_t sectionEnd(const std::vector<Line>& lines, size_t header)
{
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Header)
        ++i;
    return i;
}

size_t findKey(const std::vector<Line>& lines, size_t header, std::string_view key)
{
    size_t end = sectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Key && equalNoCase(lines[i].name, key))
            return i;
    }
    return kNone;
}

bool isKeyOf(const Line& line, std::string_view key)
{
    return line.kind == LineKind::Key && equalNoCase(line.name, key);
}

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file; `mode` receives its permission bits. Only a regular
// file is read: opening without blocking keeps a FIFO from hanging the caller.
ReadResult readFile(const char* path, std::string& text, mode_t& mode)
{
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    mode = info.st_mode & 07777;
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        text.append(chunk, size_t(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(size_t(n));
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// A copy is named after its file, the writing process and a count, the
// file's name cut so that the copy's name stays a valid one.
std::string copyName(const std::string& path, unsigned count)
{
    const std::string suffix = ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(count);
    const size_t slash = path.rfind('/');
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, name) + path.substr(name, NAME_MAX - suffix.size()) + suffix;
}

// A new file beside `path` under a copy's name; -1 with errno set when none
// can be made.
int createCopy(const std::string& path, std::string& name)
{
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = copyName(path, counter++);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The process that wrote `name` in `dir` as a copy of a file, or 0 when it is
// none: a name of that form beside no such file is someone else's.
pid_t copyWriter(int dir, std::string_view name)
{
    const size_t tmp = name.rfind(".tmp");
    if (tmp == std::string_view::npos)
        return 0;
    const std::string_view rest = name.substr(tmp + 4);
    const size_t underscore = rest.find('_');
    if (underscore == std::string_view::npos || !allDigits(rest.substr(0, underscore)) ||
        !allDigits(rest.substr(underscore + 1)))
        return 0;
    // A copy's name cut to fit names its file no longer.
    const std::string file(name.substr(0, tmp));
    if (name.size() != NAME_MAX && ::faccessat(dir, file.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    pid_t pid = 0;
    std::from_chars(rest.data(), rest.data() + underscore, pid);
    return pid;
}

// A process killed while it wrote a copy leaves it behind. Looked for once a
// folder: a process that dies later is a later run, which looks again.
void removeStaleCopies(const std::string& folder)
{
    static std::set<std::string> cleared;
    if (!cleared.insert(folder).second)
        return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = copyWriter(::dirfd(dir), entry->d_name);
        if (writer > 0 && (writer == ::getpid() || (::kill(writer, 0) != 0 && errno == ESRCH)))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Writes a copy beside `path` and renames it over, so that the file is the
// old or the new text at every moment. A new file gets the usual mode (umask
// applies). Gives 0 or the errno of the step that failed.
int replaceFile(const std::string& path, std::string_view text, bool keepMode, mode_t mode)
{
    std::string temp;
    const int fd = createCopy(path, temp);
    if (fd < 0)
        return errno;
    // Keeping the mode is best effort: some filesystems refuse any (FAT through a user-space driver).
    if (keepMode)
        ::fchmod(fd, mode);
    int error = 0;
    if (!writeAll(fd, text) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) == 0) {
        syncFolder(folderOf(path));
        return 0;
    }
    if (error == 0)
        error = errno;
    ::unlink(temp.c_str());
    return error;
}

// The disk or the process's file size limit has no room for a copy.
bool isNoRoom(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// Sets aside `size` bytes of the disk for the file. A filesystem that cannot
// allocate (FAT through a user-space driver) takes them written as zeros:
// the C library's way, one byte a block past the end, is refused there.
bool allocate(int fd, off_t size)
{
    if (::fallocate(fd, 0, 0, size) == 0)
        return true;
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    static const char zeros[65536] = {};
    for (off_t left = size; left > 0; left -= off_t(sizeof zeros)) {
        if (!writeAll(fd, std::string_view(zeros, size_t(std::min<off_t>(left, sizeof zeros)))))
            return false;
    }
    return ::fsync(fd) == 0;
}

// Room for one copy of a file, held by a file under a copy's name: a rewrite
// that may use it and finds the disk full gives it up and writes its copy
// into it. It is removed by name, never while open, which a user-space
// filesystem would keep under a hidden name; what a killed process leaves is
// a stale copy, removed as the others are.
class Reserve {
public:
    bool Take(const std::string& path)
    {
        Drop();
        removeStaleCopies(folderOf(path));
        struct stat info {};
        const off_t size = ::stat(path.c_str(), &info) == 0 ? info.st_size : 0;
        // Enough for values to grow, whatever the disk's block size.
        m_size = size + 16384;
        m_path = path;
        Make();
        return m_fd >= 0;
    }
    void Drop()
    {
        Remove();
        m_path.clear();
    }
    // Frees the room for a copy of `path`; false when none is held for it.
    bool Free(const std::string& path)
    {
        if (m_fd < 0 || path != m_path)
            return false;
        Remove();
        return true;
    }
    // Takes the room back after a copy, when the disk still has it.
    void Make()
    {
        m_fd = createCopy(m_path, m_name);
        if (m_fd >= 0 && !allocate(m_fd, m_size))
            Remove();
    }

private:
    void Remove()
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        ::unlink(m_name.c_str());
        m_fd = -1;
    }

    std::string m_path;
    std::string m_name;
    int m_fd = -1;
    off_t m_size = 0;
};

Reserve g_reserve;

// A write past the process's file size limit stops part-way.
bool withinFileSizeLimit(size_t end)
{
    rlimit limit {};
    return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || end <= limit.rlim_cur;
}

// A file without room for a copy takes the change in place only when that
// cannot tear it: the same length, and the bytes that change within one page.
// One write within a page is made whole or not at all, even by a process
// killed meanwhile; a length that changes would move the rest of the file in
// several writes.
bool rewriteInPlace(const std::string& path, std::string_view old, std::string_view text)
{
    if (old.size() != text.size())
        return false;
    size_t begin = 0;
    while (begin < text.size() && old[begin] == text[begin])
        ++begin;
    size_t end = text.size();
    while (end > begin && old[end - 1] == text[end - 1])
        --end;
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    if (begin == end || begin / page != (end - 1) / page || !withinFileSizeLimit(end))
        return false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t written = ::pwrite(fd, text.data() + begin, end - begin, off_t(begin));
    bool ok = written == ssize_t(end - begin) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

// A written name or value must not split its line.
std::string oneLine(std::string_view s)
{
    std::string result(s);
    for (char& c : result) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return result;
}

std::string setKey(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                   std::string_view key, std::string_view value)
{
    std::string entry = oneLine(key) + "=" + oneLine(value);
    size_t header = findSection(lines, section);
    if (header == kNone) {
        std::string result(text);
        if (!lines.empty() && lines.back().end == lines.back().contentEnd)
            result += kLineEnd;
        return result + "[" + oneLine(section) + "]" + std::string(kLineEnd) + entry +
               std::string(kLineEnd);
    }
    size_t found = findKey(lines, header, key);
    if (found != kNone) {
        const Line& line = lines[found];
        // The whole old value goes, blanks included: values written with a
        // width ("%6G") would otherwise gain blanks at every save.
        return std::string(text.substr(0, line.equalEnd)) + oneLine(value) +
               std::string(text.substr(line.contentEnd));
    }
    // After the section's last key, so blank lines closing the section stay last.
    size_t after = header;
    for (size_t i = header + 1; i < sectionEnd(lines, header); ++i) {
        if (lines[i].kind == LineKind::Key)
            after = i;
    }
    const Line& line = lines[after];
    std::string result(text.substr(0, line.end));
    if (line.end == line.contentEnd)
        result += kLineEnd;
    return result + entry + std::string(kLineEnd) + std::string(text.substr(line.end));
}

// Removes the key from the first matching section: every copy of it, so that
// a later read finds none.
std::string deleteKey(std::string_view text, const std::vector<Line>& lines,
                      std::string_view section, std::string_view key)
{
    size_t header = findSection(lines, section);
    if (header == kNone)
        return std::string(text);
    size_t end = sectionEnd(lines, header);
    std::string result;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > header && i < end && isKeyOf(lines[i], key))
            continue;
        result.append(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    }
    return result;
}

// Removes every section of that name with all its lines, so that a later read
// does not fall on a second copy.
std::string deleteSection(std::string_view text, const std::vector<Line>& lines,
                          std::string_view section)
{
    std::string result;
    bool dropping = false;
    for (const Line& line : lines) {
        if (line.kind == LineKind::Header)
            dropping = equalNoCase(line.name, section);
        if (!dropping)
            result.append(text.substr(line.begin, line.end - line.begin));
    }
    return result;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* out, DWORD size, const char* path)
{
    CProfileSnapshot file;
    if (path != nullptr)
        file.Read(path);
    return file.GetString(section, key, defaultValue, out, size);
}

namespace {

// A copy written in the room kept for its file, just given up; tried twice, as
// that room may not be free at once: a process forked meanwhile holds it
// until it runs its program. The room is taken back when the disk still has it.
int replaceInFreedRoom(const std::string& path, std::string_view text, bool keepMode, mode_t mode)
{
    int error = replaceFile(path, text, keepMode, mode);
    if (isNoRoom(error)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        error = replaceFile(path, text, keepMode, mode);
    }
    g_reserve.Make();
    return error;
}

// Reads the file, lets `edit` change its text and writes the result back
// through a copy renamed over it. Without room for the copy, the room kept
// for the file is given up for it when `room` allows; failing that, only a
// change that cannot tear the file is written in place.
template <typename Edit>
ProfileWrite editFile(const char* path, KeptRoom room, Edit edit)
{
    std::lock_guard lock(g_profileMutex);
    std::string text;
    mode_t mode = 0;
    ReadResult read = readFile(path, text, mode);
    if (read == ReadResult::Failed)
        return ProfileWrite::Failed;
    // The rename only needs the folder: a read-only file must refuse by itself.
    // The owner's bit counts even for root, who may write anything.
    if (read == ReadResult::Ok && ((mode & S_IWUSR) == 0 || ::access(path, W_OK) != 0))
        return ProfileWrite::Failed;
    const std::string edited = edit(text);
    // Nothing changed: leave the file (or its absence) alone.
    if (edited == text && (read == ReadResult::Ok || edited.empty()))
        return ProfileWrite::Written;
    removeStaleCopies(folderOf(path));
    const bool keepMode = read == ReadResult::Ok;
    int error = replaceFile(path, edited, keepMode, mode);
    if (isNoRoom(error) && room == KeptRoom::Use && g_reserve.Free(path))
        error = replaceInFreedRoom(path, edited, keepMode, mode);
    if (error == 0)
        return ProfileWrite::Written;
    if (!isNoRoom(error))
        return ProfileWrite::Failed;
    return read == ReadResult::Ok && rewriteInPlace(path, text, edited) ? ProfileWrite::Written : ProfileWrite::NoRoom;
}

}  // namespace

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path)
{
    if (section == nullptr || path == nullptr)
        return FALSE;
    const ProfileWrite written = editFile(path, KeptRoom::Keep, [&](const std::string& text) {
        std::vector<Line> lines = splitLines(text);
        std::string_view name = trim(section);
        if (key == nullptr)
            return deleteSection(text, lines, name);
        if (value == nullptr)
            return deleteKey(text, lines, name, trim(key));
        return setKey(text, lines, name, trim(key), value);
    });
    return written == ProfileWrite::Written ? TRUE : FALSE;
}

ProfileWrite WriteProfileKeys(const char* section, const std::vector<std::pair<std::string, std::string>>& keys,
                              const char* path, KeptRoom room)
{
    if (section == nullptr || path == nullptr)
        return ProfileWrite::Failed;
    return editFile(path, room, [&](const std::string& text) {
        std::string edited = text;
        for (const auto& [key, value] : keys)
            edited = setKey(edited, splitLines(edited), trim(section), trim(key), value);
        return edited;
    });
}

BOOL WriteProfileFile(const char* path, std::string_view text)
{
    std::lock_guard lock(g_profileMutex);
    removeStaleCopies(folderOf(path));
    return replaceFile(path, text, false, 0) == 0 ? TRUE : FALSE;
}

bool ReserveProfileRoom(const char* path)
{
    std::lock_guard lock(g_profileMutex);
    return g_reserve.Take(path);
}

void ReleaseProfileRoom()
{
    std::lock_guard lock(g_profileMutex);
    g_reserve.Drop();
}

bool CProfileSnapshot::Read(const char* path)
{
    m_text.clear();
    m_sections.clear();
    ReadResult result;
    {
        std::lock_guard lock(g_profileMutex);
        mode_t mode = 0;
        result = readFile(path, m_text, mode);
    }
    if (result != ReadResult::Ok) {
        m_text.clear();
        return result == ReadResult::Missing;
    }
    // Keys of a later section of the same name are never found.
    std::unordered_map<std::string, Span>* keys = nullptr;
    forEachLine(m_text, [&](const Line& line) {
        if (line.kind == LineKind::Header) {
            auto [section, first] = m_sections.try_emplace(lowered(line.name));
            keys = first ? &section->second : nullptr;
        } else if (line.kind == LineKind::Key && keys != nullptr) {
            keys->try_emplace(lowered(line.name), line.valueBegin, line.contentEnd);
        }
    });
    return true;
}

DWORD CProfileSnapshot::GetString(const char* section, const char* key, const char* defaultValue, char* out,
                                  DWORD size) const
{
    if (out == nullptr || size == 0)
        return 0;
    std::string_view result = defaultValue != nullptr ? defaultValue : "";
    if (section != nullptr && key != nullptr) {
        const auto keys = m_sections.find(lowered(trim(section)));
        if (keys != m_sections.end()) {
            const auto found = keys->second.find(lowered(trim(key)));
            if (found != keys->second.end()) {
                const auto [begin, end] = found->second;
                result = unquote(trim(std::string_view(m_text).substr(begin, end - begin)));
            }
        }
    }
    size_t count = std::min<size_t>(result.size(), size - 1);
    std::memcpy(out, result.data(), count);
    out[count] = '\0';
    return DWORD(count);
}
