// The logger emulator over its socket: started as a subprocess, driven with
// plain POSIX sockets and checked byte by byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Packet {
    Bytes payload;
    std::size_t total = 0;
    bool endOk = false;
    bool checksumOk = false;
};

std::uint16_t u16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

std::int32_t i32(const Bytes& b, std::size_t at)
{
    return static_cast<std::int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24));
}

// The emulator's clock, in seconds, at the first line of its log holding `text`.
double StampOf(const std::string& log, const std::string& text)
{
    const std::size_t at = log.find(text);
    if (at == std::string::npos)
        return -1.0;
    const std::size_t line = log.rfind('\n', at);
    return std::strtod(log.c_str() + (line == std::string::npos ? 0 : line + 1), nullptr);
}

// The time packets a late emulator skipped, as its log tells them.
long PacketsSkipped(const std::string& log)
{
    const std::string tag = "late: skipped ";
    long skipped = 0;
    for (std::size_t at = log.find(tag); at != std::string::npos; at = log.find(tag, at + 1))
        skipped += std::strtol(log.c_str() + at + tag.size(), nullptr, 10);
    return skipped;
}

Bytes frame(Bytes body)
{
    unsigned sum = 0;
    for (std::uint8_t b : body)
        sum += b;
    body.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return body;
}

// Settings frame: winch byte 0x20, settings word 1500, the given wheel ratio, voltage 95.
Bytes settingsFrame(std::uint16_t ratio)
{
    return frame({1, 0x20, 0xDC, 0x05, static_cast<std::uint8_t>(ratio & 0xFF), static_cast<std::uint8_t>(ratio >> 8), 95});
}

Bytes modeFrame(std::uint8_t mode, std::uint16_t interval, std::uint8_t gain = 15, std::uint8_t drive = 25)
{
    return frame({6, mode, static_cast<std::uint8_t>(interval & 0xFF), static_cast<std::uint8_t>(interval >> 8), 95, gain, drive});
}

class LoggerSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dirTemplate[] = "/tmp/loggersimXXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        m_dir = dirTemplate;
        m_socket = m_dir + "/logger.sock";
        m_log = m_dir + "/sim.log";
    }

    void TearDown() override
    {
        disconnect();
        stopSim();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    void startSim(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {KVX_PROGRAM_DIR "/loggersim", "--socket", m_socket, "--log", m_log};
        args.insert(args.end(), extra.begin(), extra.end());
        m_pid = fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        struct stat st {};
        const auto deadline = Clock::now() + 5s;
        while (stat(m_socket.c_str(), &st) != 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(stat(m_socket.c_str(), &st), 0) << "emulator did not create its socket";
    }

    // Ends the emulator; returns its exit status (-1 if it had to be killed).
    int stopSim()
    {
        if (m_pid <= 0)
            return -1;
        kill(m_pid, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + 3s;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                m_pid = 0;
                return -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        m_pid = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Connects and returns the hello line.
    std::string connectSim()
    {
        m_fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, m_socket.c_str(), sizeof addr.sun_path - 1);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ADD_FAILURE() << "no connection to the emulator at " << m_socket << ": " << std::strerror(errno);
            return "connect failed";
        }
        m_buffer.clear();
        m_junk = 0;
        m_closed = false;
        std::string line;
        const auto deadline = Clock::now() + 3s;
        while (Clock::now() < deadline) {
            fill(100ms);
            auto nl = std::find(m_buffer.begin(), m_buffer.end(), '\n');
            if (nl != m_buffer.end()) {
                line.assign(m_buffer.begin(), nl + 1);
                m_buffer.erase(m_buffer.begin(), nl + 1);
                return line;
            }
        }
        ADD_FAILURE() << "the emulator sent no hello line within 3 s of the connection";
        return "no hello";
    }

    void disconnect()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

    void send(const Bytes& bytes) { ASSERT_EQ(::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }

    // Reads what arrives within the wait into the buffer.
    void fill(std::chrono::milliseconds wait)
    {
        pollfd p {m_fd, POLLIN, 0};
        if (m_closed || poll(&p, 1, static_cast<int>(wait.count())) <= 0)
            return;
        std::uint8_t buf[4096];
        const ssize_t n = recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0)
            m_closed = true;
        else
            m_buffer.insert(m_buffer.end(), buf, buf + n);
    }

    // Cuts complete packets off the buffer; bytes before a header count as junk.
    std::vector<Packet> cutPackets()
    {
        std::vector<Packet> packets;
        const Bytes magic = {0x55, 0xAA, 0x5A, 0xA5};
        for (;;) {
            auto at = std::search(m_buffer.begin(), m_buffer.end(), magic.begin(), magic.end());
            m_junk += static_cast<std::size_t>(at - m_buffer.begin());
            m_buffer.erase(m_buffer.begin(), at);
            if (m_buffer.size() < 7)
                return packets;
            const std::size_t total = u16(m_buffer, 5);
            if (total < 10) {
                m_buffer.erase(m_buffer.begin());
                continue;
            }
            if (m_buffer.size() < total)
                return packets;
            Packet p;
            p.total = total;
            p.payload.assign(m_buffer.begin() + 7, m_buffer.begin() + static_cast<long>(total - 1));
            p.endOk = m_buffer[total - 1] == 0x99;
            unsigned sum = 0;
            for (std::size_t i = 0; i + 2 < p.payload.size(); ++i)
                sum += p.payload[i];
            p.checksumOk = (sum & 0xFFFF) == u16(p.payload, p.payload.size() - 2);
            packets.push_back(std::move(p));
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<long>(total));
        }
    }

    // Collects packets until `enough` says so or the wait runs out.
    std::vector<Packet> collect(std::chrono::milliseconds wait, const std::function<bool(const std::vector<Packet>&)>& enough)
    {
        std::vector<Packet> all;
        const auto deadline = Clock::now() + wait;
        while (Clock::now() < deadline && !m_closed) {
            fill(20ms);
            for (Packet& p : cutPackets())
                all.push_back(std::move(p));
            if (enough(all))
                break;
        }
        return all;
    }

    // The first packet of this payload size that matches, or an empty payload.
    Packet waitFor(std::size_t payloadSize, const std::function<bool(const Bytes&)>& match = [](const Bytes&) { return true; })
    {
        auto fits = [&](const Packet& p) { return p.payload.size() == payloadSize && match(p.payload); };
        auto all = collect(2s, [&](const std::vector<Packet>& v) { return !v.empty() && fits(v.back()); });
        for (const Packet& p : all)
            if (fits(p))
                return p;
        return {};
    }

    static std::vector<Packet> only(const std::vector<Packet>& all, std::size_t payloadSize)
    {
        std::vector<Packet> out;
        for (const Packet& p : all)
            if (p.payload.size() == payloadSize)
                out.push_back(p);
        return out;
    }

    std::string logText() const
    {
        std::ifstream in(m_log);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::string m_dir, m_socket, m_log;
    pid_t m_pid = 0;
    int m_fd = -1;
    Bytes m_buffer;
    std::size_t m_junk = 0;
    bool m_closed = false;
};

TEST_F(LoggerSimTest, GreetsAndEchoesEachFrameType)
{
    startSim({"--serial", "KVX12345"});
    ASSERT_EQ(connectSim(), "LOGGERSIM KVX12345\n");

    send(settingsFrame(20480));
    Packet status = waitFor(20);
    ASSERT_EQ(status.payload.size(), 20u);
    EXPECT_EQ(status.total, 28u);
    EXPECT_TRUE(status.endOk);
    EXPECT_TRUE(status.checksumOk);
    EXPECT_EQ(status.payload[0], 0x20) << "sonde off: mode 0, winch bits echoed";
    EXPECT_EQ(u16(status.payload, 1), 1500);
    EXPECT_EQ(u16(status.payload, 3), 20480);
    EXPECT_EQ(status.payload[5], 95);

    send(frame({3, 20, 30}));
    Packet comm = waitFor(16, [](const Bytes& p) { return p[1] == 20; });
    ASSERT_EQ(comm.payload.size(), 16u);
    EXPECT_EQ(comm.total, 24u);
    EXPECT_TRUE(comm.endOk && comm.checksumOk);
    EXPECT_EQ(comm.payload[1], 20);
    EXPECT_EQ(comm.payload[2], 30);
    EXPECT_EQ(comm.payload[13], 0) << "sonde not powered";

    send(frame({2, 0x10, 0x27, 0, 0})); // 10000 counts
    Packet depth = waitFor(16, [](const Bytes& p) { return i32(p, 5) == 10000; });
    EXPECT_EQ(depth.payload.size(), 16u) << "depth counter set";

    send(frame({7, 5}));
    EXPECT_EQ(waitFor(16).payload.size(), 16u);

    send(modeFrame(4 + 0x20, 1000, 15, 25));
    Packet on = waitFor(16, [](const Bytes& p) { return (p[0] & 0x0F) != 0; });
    ASSERT_EQ(on.payload.size(), 16u);
    EXPECT_EQ(on.payload[0], 0x24) << "time mode in force";
    EXPECT_EQ(on.payload[1], 15);
    EXPECT_EQ(on.payload[2], 25);
    EXPECT_EQ(u16(on.payload, 3), 1000);
    EXPECT_EQ(on.payload[13], 0x01);
    EXPECT_GT(on.payload[11], 80) << "supply voltage read back";

    send(frame({0, 0x20}));
    Packet off = waitFor(16, [](const Bytes& p) { return (p[0] & 0x0F) == 0; });
    ASSERT_EQ(off.payload.size(), 16u) << "powered off";
    EXPECT_EQ(off.payload[13], 0);

    // Idle with the sonde off: status packets with the settings kept.
    Packet idle = waitFor(20);
    ASSERT_EQ(idle.payload.size(), 20u);
    EXPECT_EQ(idle.payload[0], 0x20);
    EXPECT_EQ(u16(idle.payload, 1), 1500);
    EXPECT_EQ(u16(idle.payload, 3), 20480);
    EXPECT_EQ(idle.payload[6], 15);
    EXPECT_EQ(idle.payload[7], 25);
    EXPECT_EQ(u16(idle.payload, 8), 1000);
    EXPECT_EQ(idle.payload[16], 0) << "no supply read back";
    EXPECT_EQ(m_junk, 0u);
}

TEST_F(LoggerSimTest, IgnoresBadChecksumAndLogsFrames)
{
    startSim();
    ASSERT_EQ(connectSim(), "LOGGERSIM KVXSIM01\n");
    Bytes bad = frame({3, 33, 44});
    bad.back() ^= 1;
    send(bad);
    send(frame({3, 21, 22}));

    auto shorts = only(collect(1500ms, [](const std::vector<Packet>&) { return false; }), 16);
    ASSERT_FALSE(shorts.empty());
    for (const Packet& p : shorts)
        EXPECT_NE(p.payload[1], 33) << "the bad frame must not be taken";
    EXPECT_EQ(shorts.back().payload[1], 21) << "the next good frame is still read in step";
    EXPECT_EQ(shorts.back().payload[2], 22);

    const std::string log = logText();
    EXPECT_NE(log.find("RX type=3 len=4 checksum=bad bytes=03 21 2C 51"), std::string::npos) << log;
    EXPECT_NE(log.find("RX type=3 len=4 checksum=ok bytes=03 15 16 2E"), std::string::npos) << log;
    EXPECT_NE(log.find("EVENT host connected"), std::string::npos);
}

TEST_F(LoggerSimTest, TimeModeStreamsDataPacketsAtTheInterval)
{
    startSim({"--speed", "0"});
    connectSim();
    send(modeFrame(4, 100));
    auto data = only(collect(4s, [](const std::vector<Packet>& v) { return only(v, 31).size() >= 10; }), 31);
    ASSERT_GE(data.size(), 10u) << "about ten per second expected";
    for (const Packet& p : data) {
        EXPECT_EQ(p.total, 39u);
        EXPECT_TRUE(p.endOk && p.checksumOk);
        EXPECT_EQ(p.payload[0] & 0x0F, 4);
        EXPECT_EQ(u16(p.payload, 3), 100) << "time interval echoed in bytes 3-4";
        EXPECT_EQ(p.payload[14], 5) << "five 20 ms readings per 100 ms";
        EXPECT_EQ(p.payload[28], 0x01);
        EXPECT_EQ(p.payload[13], 0x41);
        for (int c = 0; c < 6; ++c)
            EXPECT_LE(u16(p.payload, 15 + 2 * c), 5 * 255);
    }
    EXPECT_GT(u16(data[0].payload, 15 + 2 * 4), 0) << "temperature channel is never empty";
}

// Time-mode pacing from the monotonic clock: an interval under the probe's 20 ms reading
// counts as 20 ms; the test rate sends its packets whatever the interval. Every packet made
// arrives, in sequence, and the sonde-off event says how many were made.
TEST_F(LoggerSimTest, TimeModeIsPacedFromTheClock)
{
    struct Case {
        std::vector<std::string> options;
        std::uint16_t interval;
        double perSecond;
        int readings;
    };
    const Case cases[] = {
        {{}, 5, 50.0, 1},
        {{}, 40, 25.0, 2},
        {{"--rate", "2000"}, 150, 2000.0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        std::vector<std::string> options = {"--speed", "0"};
        options.insert(options.end(), c.options.begin(), c.options.end());
        startSim(options);
        connectSim();
        send(modeFrame(4, c.interval));
        auto all = collect(600ms, [](const std::vector<Packet>&) { return false; });
        send(frame({0, 0x20}));
        auto more = collect(2s, [](const std::vector<Packet>& v) { return !v.empty() && v.back().payload.size() == 20; });
        all.insert(all.end(), more.begin(), more.end());
        const auto data = only(all, 31);

        // Against the emulator's own clock, from the order on to the order off,
        // so that a machine too busy to run it on time counts the same.
        const std::string log = logText();
        const double seconds = StampOf(log, "sonde off after") - StampOf(log, "sonde on");
        EXPECT_NEAR(data.size() + PacketsSkipped(log), c.perSecond * seconds, c.perSecond * 0.1 + 2);
        for (std::size_t i = 0; i < data.size(); ++i) {
            EXPECT_EQ(data[i].payload[14], c.readings);
            EXPECT_EQ(u16(data[i].payload, 3), c.interval);
            EXPECT_EQ(data[i].payload[27], std::uint8_t(data[0].payload[27] + i)) << "packet " << i;
        }
        EXPECT_NE(logText().find("sonde off after " + std::to_string(data.size()) + " data packets"),
                  std::string::npos);
        disconnect();
        stopSim();
    }
}

TEST_F(LoggerSimTest, HelpPrintsTheUsageAndEnds)
{
    std::FILE* out = popen(KVX_PROGRAM_DIR "/loggersim --help", "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char chunk[256];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, out))
        text.append(chunk, n);
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(text.rfind("usage: loggersim --socket PATH", 0), 0u);
    EXPECT_NE(text.find("[--rate N]"), std::string::npos);
}

TEST_F(LoggerSimTest, DepthModeStepsWithTheWinch)
{
    startSim({"--speed", "60", "--start-depth", "5"});
    connectSim();
    send(settingsFrame(10240)); // 40 counts per cm
    send(modeFrame(3, 10));     // down, 10 cm
    auto data = only(collect(5s, [](const std::vector<Packet>& v) { return only(v, 31).size() >= 6; }), 31);
    ASSERT_GE(data.size(), 6u);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const Bytes& p = data[i].payload;
        EXPECT_TRUE(data[i].checksumOk && data[i].endOk);
        EXPECT_EQ(p[0] & 0x0F, 3);
        EXPECT_EQ(p[3], 10) << "step byte in cm";
        EXPECT_EQ(i32(p, 5) % 400, 0) << "one packet per 10 cm step of 400 counts";
        EXPECT_GT(static_cast<std::int16_t>(u16(p, 9)), 0) << "going down";
        EXPECT_GE(p[14], 1);
        if (i > 0) {
            EXPECT_EQ(i32(p, 5) - i32(data[i - 1].payload, 5), 400);
        }
    }
    EXPECT_GE(i32(data[0].payload, 5), 5 * 4000) << "starts at the start depth";
}

TEST_F(LoggerSimTest, ProbeAnswersOnlyInsideTheLinkWindow)
{
    startSim({"--drive-window", "20:30", "--gain-window", "10:20", "--speed", "0"});
    connectSim();
    send(modeFrame(4, 100, 15, 25));
    Packet good = waitFor(31);
    ASSERT_EQ(good.payload.size(), 31u);
    EXPECT_EQ(good.payload[28], 0x01);

    send(frame({3, 15, 40}));
    auto newDrive = [](const Bytes& p) { return p[2] == 40; };
    Packet echo = waitFor(16, newDrive);
    ASSERT_EQ(echo.payload.size(), 16u);
    EXPECT_EQ(echo.payload[13], 0x02) << "drive outside the window: no response";
    Packet bad = waitFor(31, newDrive);
    ASSERT_EQ(bad.payload.size(), 31u);
    EXPECT_EQ(bad.payload[28], 0x02);
    EXPECT_EQ(bad.payload[14], 0) << "no readings without an answer";
}

TEST_F(LoggerSimTest, DisconnectsAfterTheGivenTimeAndAcceptsAgain)
{
    startSim({"--disconnect-after", "1"});
    ASSERT_EQ(connectSim(), "LOGGERSIM KVXSIM01\n");
    const auto start = Clock::now();
    collect(5s, [](const std::vector<Packet>&) { return false; });
    EXPECT_TRUE(m_closed);
    EXPECT_LT(Clock::now() - start, 4s);
    disconnect();

    ASSERT_EQ(connectSim(), "LOGGERSIM KVXSIM01\n");
    send(frame({3, 12, 13}));
    EXPECT_EQ(waitFor(16, [](const Bytes& p) { return p[1] == 12; }).payload.size(), 16u) << "new connection served";
    EXPECT_NE(logText().find("host disconnected: disconnect-after"), std::string::npos);
}

TEST_F(LoggerSimTest, SameSeedGivesSameDataPackets)
{
    auto firstPackets = [this](const char* seed) {
        startSim({"--seed", seed, "--speed", "0", "--start-depth", "120"});
        connectSim();
        send(modeFrame(4, 100));
        auto data = only(collect(4s, [](const std::vector<Packet>& v) { return only(v, 31).size() >= 5; }), 31);
        disconnect();
        stopSim();
        data.resize(5);
        std::vector<Bytes> payloads;
        for (const Packet& p : data)
            payloads.push_back(p.payload);
        return payloads;
    };
    const auto a = firstPackets("7");
    const auto b = firstPackets("7");
    const auto c = firstPackets("8");
    ASSERT_EQ(a[4].size(), 31u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST_F(LoggerSimTest, InjectsRequestedFaults)
{
    startSim({"--noise", "2", "--bad-checksum", "3", "--bad-end", "4", "--encoder-error", "--low-battery", "--speed", "0"});
    connectSim();
    send(modeFrame(4, 100));
    auto all = collect(4s, [](const std::vector<Packet>& v) { return v.size() >= 12; });
    ASSERT_GE(all.size(), 12u);
    int badSums = 0, badEnds = 0;
    for (const Packet& p : all) {
        badSums += !p.checksumOk;
        badEnds += !p.endOk;
        EXPECT_EQ(p.payload[0] & 0xC0, 0xC0) << "encoder error and low battery bits";
    }
    EXPECT_GE(badSums, 3);
    EXPECT_GE(badEnds, 2);
    EXPECT_GT(m_junk, 0u) << "noise between packets";
}

TEST_F(LoggerSimTest, ProbeWithoutEchoTakesNoOrder)
{
    startSim({"--no-echo"});
    connectSim();
    send(modeFrame(4, 100));
    auto all = collect(1500ms, [](const std::vector<Packet>&) { return false; });
    ASSERT_FALSE(all.empty()) << "idle status packets go on";
    for (const Packet& p : all) {
        EXPECT_EQ(p.payload.size(), 20u);
        EXPECT_EQ(p.payload[0] & 0x0F, 0) << "never reports a mode";
    }
    EXPECT_NE(logText().find("RX type=6 len=8 checksum=ok"), std::string::npos);
}

TEST_F(LoggerSimTest, TerminatesCleanlyAndRemovesItsSocket)
{
    startSim();
    connectSim();
    EXPECT_EQ(stopSim(), 0);
    struct stat st {};
    EXPECT_NE(stat(m_socket.c_str(), &st), 0) << "socket file removed";
}

} // namespace
