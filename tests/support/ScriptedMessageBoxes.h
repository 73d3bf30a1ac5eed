#pragma once
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

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
        EXPECT_TRUE(m_expected.empty()) << m_expected.size() << " expected message boxes were not shown";
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

private:
    mutable std::mutex m_mutex;
    std::deque<std::pair<std::string, int>> m_expected;
    std::vector<Shown> m_shown;
};
