#pragma once
// Runs the logger emulator for integration tests.
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/Settings.h"
#include "support/WaitFor.h"

extern char** environ;

inline std::string ReadTextFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Winch and link settings inside the emulator's default windows, so that
// the probe answers with valid data.
inline void UseEmulatorLinkSettings(LoggerSettings& settings)
{
    settings.PulsResolution = 1000;
    settings.PulleysDiameter = 5000;
    settings.Voltage = 60;
    settings.CommGain = 15;
    settings.CommDrive = 25;
}

// One run of loggersim on a test's socket, with the given options.
class LoggerEmulator {
public:
    LoggerEmulator(std::filesystem::path socket, std::filesystem::path log, std::vector<std::string> options = {})
        : m_socket(std::move(socket)), m_log(std::move(log))
    {
        std::vector<std::string> args = {KVX_PROGRAM_DIR "/loggersim", "--socket", m_socket.string(),
                                         "--log", m_log.string()};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        // Not on the test's own output: an emulator left behind by a test that
        // crashed would hold it open, and the test runner would wait forever.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // The socket appears once the emulator accepts.
        if (!WaitFor([&] { return std::filesystem::exists(m_socket); }, 10000))
            ADD_FAILURE() << "the logger emulator made no socket at " << m_socket << " within 10 s";
    }
    ~LoggerEmulator() { Stop(); }
    LoggerEmulator(const LoggerEmulator&) = delete;
    LoggerEmulator& operator=(const LoggerEmulator&) = delete;

    bool Running() const { return m_pid > 0 && std::filesystem::exists(m_socket); }
    void Stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 250 && waitpid(m_pid, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (waitpid(m_pid, nullptr, WNOHANG) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }
    std::string Log() const { return ReadTextFile(m_log); }
    // The data packets made since the sonde went on, once it has gone off; else -1.
    long PacketsMade() const
    {
        const std::string log = Log();
        const char kOff[] = "sonde off after ";
        const size_t at = log.find(kOff);
        return at == std::string::npos ? -1 : std::strtol(log.c_str() + at + sizeof kOff - 1, nullptr, 10);
    }

private:
    std::filesystem::path m_socket, m_log;
    pid_t m_pid = -1;
};
