// "&New log.", "&Open" and the close check through the main window, with the
// files a test's own program folder holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/InstanceChecker.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "res/Resource.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"

namespace {

namespace fs = std::filesystem;

// How the operator answers a real message box.
enum class Answer { EnterKey, ClickYes, ClickNo };

// Once a message box is up, notes its text and answers it as the operator would.
void AnswerMessageBox(Answer answer, std::string& text)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, answer, &text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        poll->stop();
        poll->deleteLater();
        text = box->text().toStdString();
        if (answer == Answer::EnterKey)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(answer == Answer::ClickYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    poll->start(20);
}

class LogFileCommandsTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetApplicationName("kvx_logfiles_" + std::to_string(getpid()));
        fs::create_directories(Path("Ressources"));
        fs::copy_file(KVX_PROGRAM_DIR "/Ressources/KVXS0001.tol", Path("Ressources/KVXS0001.tol"));
        ScriptedMessageBoxes boxes;
        boxes.Expect("USB driver not installed.");
        m_dialog = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        ASSERT_TRUE(m_dialog->Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr));
    }
    void TearDown() override
    {
        m_dialog.reset();
        CInstanceChecker::CloseFirstInstanceMapping();
        theApp.m_bClosing = 0;
        theApp.m_bUsbDriverOk = 0;
        theApp.m_nLinkStatus = 0;
        ConfigFolderTest::TearDown();
    }

    // "&New log." past the recording-mode dialog, with `path` chosen in the file dialog.
    bool NewLogFile(const std::string& path)
    {
        ScriptedFileDialogs files;
        files.Choose(path);
        ClickWhenModal({IDOK});
        return m_dialog->NewLogFile();
    }

    std::unique_ptr<CVarnoLogger_KVXDlg> m_dialog;
};

struct AnswerCase {
    const char* name;
    Answer answer;
    bool yes;
};

constexpr AnswerCase kAnswers[] = {
    {"Enter", Answer::EnterKey, false},
    {"No", Answer::ClickNo, false},
    {"Yes", Answer::ClickYes, true},
};

// Enter keeps a recorded log: only Yes replaces it.
TEST_F(LogFileCommandsTest, ReplacingARecordedLogTakesYesAndEnterMeansNo)
{
    const std::string log = Path("Data/Well.log");
    for (const AnswerCase& c : kAnswers) {
        SCOPED_TRACE(c.name);
        WriteFile("Data/Well.log", "recorded");
        WriteFile("Data/Well.hed", "[WellInfo]\n");
        std::string question;
        AnswerMessageBox(c.answer, question);
        EXPECT_EQ(c.yes, NewLogFile(log));
        EXPECT_EQ("Same file name exist, do you want replace this ?", question);
        EXPECT_EQ(!c.yes, fs::exists(log));
        EXPECT_EQ(!c.yes, fs::exists(Path("Data/Well.hed")));
        EXPECT_EQ(c.yes, theApp.m_pPathSettings->DataFile == log);
    }
}

// With packets arriving and the sonde not known as powered, Enter keeps the program open.
TEST_F(LogFileCommandsTest, ClosingWithTheLinkLiveTakesYesAndEnterMeansNo)
{
    for (const AnswerCase& c : kAnswers) {
        SCOPED_TRACE(c.name);
        theApp.m_nLinkStatus = 17;
        theApp.m_bClosing = 0;
        std::string question;
        AnswerMessageBox(c.answer, question);
        EXPECT_EQ(c.yes, m_dialog->CanClose());
        EXPECT_EQ("The sonde is probably powered on. Do you want to close the application ?", question);
        EXPECT_EQ(c.yes, theApp.m_bClosing == 1);
    }
}

}  // namespace
