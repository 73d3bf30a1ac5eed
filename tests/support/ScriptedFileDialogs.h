#pragma once
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileDialog.h"

// Answers the program's file dialogs from a script. A dialog that the script
// does not expect fails the test and is cancelled instead of blocking it.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs()
    {
        SetFileDialogHandler([this](const FileDialogRequest& request) -> std::optional<std::string> {
            m_shown.push_back(request);
            if (m_answers.empty()) {
                ADD_FAILURE() << "unexpected file dialog: " << request.filter;
                return std::nullopt;
            }
            std::optional<std::string> answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~ScriptedFileDialogs()
    {
        SetFileDialogHandler(nullptr);
        EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " expected file dialogs were not shown";
    }

    // The path the user chooses in the next dialog.
    void Choose(const std::string& path) { m_answers.emplace_back(path); }
    void Cancel() { m_answers.emplace_back(std::nullopt); }
    const std::vector<FileDialogRequest>& Shown() const { return m_shown; }

private:
    std::deque<std::optional<std::string>> m_answers;
    std::vector<FileDialogRequest> m_shown;
};
