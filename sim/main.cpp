// loggersim: plays the surface logger with a sonde on a winch over a Unix
// stream socket, one host at a time.
#include "EventLog.h"
#include "FrameReader.h"
#include "Logger.h"
#include "Options.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

void installSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// The socket appears at `path` only once it accepts: a host that finds it
// may connect at once. It is bound under a name of its own in the same
// folder, then renamed into place, over a stale one from an earlier run.
int listenOn(const std::string& path)
{
    const std::string bound = path + "." + std::to_string(::getpid());
    sockaddr_un addr {};
    if (bound.size() >= sizeof addr.sun_path) {
        std::fprintf(stderr, "loggersim: socket path too long\n");
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, bound.c_str(), bound.size() + 1);
    ::unlink(bound.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 1) < 0 ||
        ::rename(bound.c_str(), path.c_str()) < 0) {
        std::fprintf(stderr, "loggersim: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        ::unlink(bound.c_str());
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// One host connection and its pending output.
class Session {
public:
    // The host's reader drains its queue; beyond this the logger's FIFO overflows.
    static constexpr std::size_t kMaxPending = 64 * 1024;

    Session(sim::EventLog& log) : m_log(log) {}

    bool open() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    bool wantsWrite() const { return !m_pending.empty(); }

    void start(int fd, const std::string& serial, sim::Clock::time_point now)
    {
        m_fd = fd;
        m_since = now;
        m_pending.clear();
        m_reader.clear();
        m_overflowed = false;
        const std::string hello = "LOGGERSIM " + serial + "\n";
        m_pending.assign(hello.begin(), hello.end());
        m_log.event("host connected");
    }

    void close(const char* why)
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        m_fd = -1;
        m_log.event(std::string("host disconnected: ") + why);
    }

    double age(sim::Clock::time_point now) const { return std::chrono::duration<double>(now - m_since).count(); }

    // Sends what the socket takes; of the rest, what lies beyond kMaxPending is dropped.
    void queue(const sim::Bytes& bytes)
    {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        flush();
        if (m_pending.size() <= kMaxPending) {
            m_overflowed = false;
            return;
        }
        if (!m_overflowed)
            m_log.event("host not reading: output dropped");
        m_overflowed = true;
        m_pending.resize(kMaxPending);
    }

    void flush()
    {
        if (m_pending.empty() || m_fd < 0)
            return;
        const ssize_t n = ::send(m_fd, m_pending.data(), m_pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            m_pending.erase(m_pending.begin(), m_pending.begin() + n);
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            close("write failed");
    }

    // Reads what the host sent and hands the frames to the logger.
    void readFrames(sim::Logger& logger, sim::Clock::time_point now)
    {
        std::uint8_t buf[4096];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0) {
            close("closed by host");
            return;
        }
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                close("read failed");
            return;
        }
        handle(m_reader.push(buf, static_cast<std::size_t>(n), now), logger, now);
    }

    void expire(sim::Logger& logger, sim::Clock::time_point now) { handle(m_reader.expire(now), logger, now); }

private:
    void handle(const std::vector<sim::RxItem>& items, sim::Logger& logger, sim::Clock::time_point now)
    {
        for (const sim::RxItem& item : items) {
            m_log.received(item);
            if (item.kind == sim::RxItem::Kind::Frame && item.checksumOk)
                logger.receive(item.bytes, now);
        }
    }

    sim::EventLog& m_log;
    int m_fd = -1;
    sim::Clock::time_point m_since{};
    sim::Bytes m_pending;
    sim::FrameReader m_reader;
    bool m_overflowed = false;
};

int waitMs(sim::Clock::time_point wake, sim::Clock::time_point now)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    return static_cast<int>(std::clamp<long long>(ms, 1, 50));
}

} // namespace

int main(int argc, char** argv)
{
    sim::Options opts;
    if (auto error = sim::parseOptions(argc, argv, opts)) {
        std::fprintf(stderr, "loggersim: %s\n%s", error->c_str(), sim::usageText().c_str());
        return 2;
    }
    if (opts.help) {
        std::fputs(sim::usageText().c_str(), stdout);
        return 0;
    }
    sim::EventLog log(opts.logPath, opts.verbose);
    if (!log.ok()) {
        std::fprintf(stderr, "loggersim: cannot write %s\n", opts.logPath.c_str());
        return 1;
    }
    installSignals();
    const int listenFd = listenOn(opts.socketPath);
    if (listenFd < 0)
        return 1;
    log.event("listening on " + opts.socketPath + " serial " + opts.serial);

    sim::Logger logger(opts, log);
    Session session(log);
    while (!g_stop) {
        auto now = sim::Clock::now();
        if (session.open() && opts.disconnectAfter > 0 && session.age(now) >= opts.disconnectAfter)
            session.close("disconnect-after");
        if (session.open())
            session.expire(logger, now);
        logger.tick(now);
        const sim::Bytes out = logger.takeOutput();
        if (session.open())
            session.queue(out);
        session.flush();

        pollfd fds[1] {};
        fds[0].fd = session.open() ? session.fd() : listenFd;
        fds[0].events = POLLIN;
        if (session.open() && session.wantsWrite())
            fds[0].events |= POLLOUT;
        const int ready = ::poll(fds, 1, waitMs(logger.nextWake(now), now));
        if (ready <= 0)
            continue;
        now = sim::Clock::now();
        if (!session.open()) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                session.start(fd, opts.serial, now);
                logger.connected(now);
            }
            continue;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            // The data that fell due while the emulator waited goes out before an order changes it.
            logger.stream(now);
            session.queue(logger.takeOutput());
            session.readFrames(logger, now);
        }
        if (session.open() && (fds[0].revents & POLLOUT))
            session.flush();
    }
    session.close("emulator stopped");
    ::close(listenFd);
    ::unlink(opts.socketPath.c_str());
    log.event("stopped");
    return 0;
}
