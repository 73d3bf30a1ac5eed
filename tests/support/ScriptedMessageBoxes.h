#pragma once
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "support/WaitFor.h"

// Answers the program's message boxes from a script. A box that the script
// does not expect fails the test instead of blocking it.
class ScriptedMessageBoxes {
public:
    struct Shown {
        std::string text;
        UINT type;
    };

    ScriptedMessageBoxes()
    {
        SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT type) {
            std::lock_guard lock(m_mutex);
            m_shown.push_back({text, type});
            if (m_expected.empty()) {
                ADD_FAILURE() << "unexpected message box: " << text;
                return IDCANCEL;
            }
            auto [expected, answer] = m_expected.front();
            m_expected.pop_front();
            EXPECT_EQ(expected, text);
            return answer;
        });
    }
    ~ScriptedMessageBoxes()
    {
        SetMessageBoxHandler(nullptr);
        EXPECT_TRUE(m_expected.empty()) << "message boxes never shown: " << Awaited();
    }

    void Expect(const std::string& text, int answer = IDOK)
    {
        std::lock_guard lock(m_mutex);
        m_expected.emplace_back(text, answer);
    }
    std::vector<Shown> AllShown() const
    {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }
    // Waits until every box the script expects was shown; a failure names the texts still awaited.
    testing::AssertionResult WaitUntilAllShown(int timeoutMs) const
    {
        if (WaitFor([this] { return Awaited().empty(); }, timeoutMs))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "message boxes never shown in " << timeoutMs << " ms: " << Awaited();
    }

private:
    std::string Awaited() const
    {
        std::lock_guard lock(m_mutex);
        std::string texts;
        for (const auto& [text, answer] : m_expected)
            texts += (texts.empty() ? "\"" : ", \"") + text + "\"";
        return texts;
    }

    mutable std::mutex m_mutex;
    std::deque<std::pair<std::string, int>> m_expected;
    std::vector<Shown> m_shown;
};
