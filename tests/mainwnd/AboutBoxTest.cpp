// The about box: its texts before any logger, and the emulator's serial
// number once the main window's link has opened it, from the system menu;
// the calibration dialog from the main window's command.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include <unistd.h>

#include "core/ConfigFolder.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "res/Resource.h"
#include "support/Artifacts.h"
#include "support/LoggerEmulator.h"
#include "support/ModalDialogs.h"
#include "support/ProgramRun.h"

namespace {

namespace fs = std::filesystem;

using Texts = std::map<int, std::string>;

Texts LabelTexts(QWidget* box)
{
    Texts texts;
    for (QLabel* label : box->findChildren<QLabel*>())
        texts[ControlIdOf(label)] = label->text().toLatin1().toStdString();
    return texts;
}

// Reads the about box twice: when it first shows, before any activation can
// have refreshed it, and once it runs modally with its OS and serial lines
// filled in (or after 10 s, so that a box that never fills fails the test
// instead of blocking it); then keeps its picture and presses "&OK".
class AboutBoxReader : public QObject {
public:
    explicit AboutBoxReader(std::string artifact) : m_artifact(std::move(artifact))
    {
        qApp->installEventFilter(this);
        connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
        m_poll.start(20);
    }

    Texts atShow;
    Texts texts;
    // The ids of texts cut off by their control (the OS line is the
    // machine's and may be long).
    std::vector<int> cut;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && atShow.empty()) {
            auto* box = qobject_cast<QDialog*>(watched);
            if (box != nullptr && HasControl(box, IDC_ABOUT_SERIAL))
                atShow = LabelTexts(box);
        }
        return false;
    }

private:
    void Poll()
    {
        QWidget* box = QApplication::activeModalWidget();
        QAbstractButton* ok = box != nullptr && HasControl(box, IDC_ABOUT_SERIAL) ? ModalButton(box, IDOK) : nullptr;
        if (ok == nullptr)
            return;
        if (!m_modal.isValid())
            m_modal.start();
        Texts now = LabelTexts(box);
        const bool filled = now[IDC_ABOUT_OS] != "OS:" && now[IDC_ABOUT_SERIAL] != "Logger S/N :";
        if (!filled && m_modal.elapsed() < 10000)
            return;
        m_poll.stop();
        qApp->removeEventFilter(this);
        texts = now;
        for (QLabel* label : box->findChildren<QLabel*>()) {
            const bool ours = ControlIdOf(label) != IDC_ABOUT_OS;
            if (ours && label->fontMetrics().horizontalAdvance(label->text()) > label->width())
                cut.push_back(ControlIdOf(label));
        }
        SaveArtifact(box, m_artifact);
        ok->click();
    }

    std::string m_artifact;
    QTimer m_poll;
    QElapsedTimer m_modal;
};

class AboutBoxTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        g_strVersion = "2.10";
        g_strNotice = "(c) 2018 KVX";
    }
    void TearDown() override
    {
        theApp.m_strLoggerDescription.clear();
        theApp.m_strLoggerSerial.clear();
        ConfigFolderTest::TearDown();
    }
};

TEST_F(AboutBoxTest, BeforeAnyLoggerTheSerialLineSaysNoDevice)
{
    theApp.m_strLoggerDescription.clear();
    theApp.m_strLoggerSerial = "KVX00042";
    AboutBoxReader seen("about_box_no_device.png");
    CAboutDlg box;
    EXPECT_EQ(IDOK, box.DoModal());

    // The same texts from the first moment the box shows, activated or not.
    for (Texts texts : {seen.atShow, seen.texts}) {
        EXPECT_EQ("KVX version\xA0" "2.10", texts[IDC_ABOUT_VERSION]);
        EXPECT_EQ(g_strNotice, texts[IDC_ABOUT_NOTICE]);
        EXPECT_EQ("No device in USB", texts[IDC_ABOUT_SERIAL]);
        EXPECT_EQ("OS: " + GetOperatingSystemName(), texts[IDC_ABOUT_OS]);
    }
}

class AboutBoxEndToEndTest : public AboutBoxTest {
protected:
    void SetUp() override
    {
        AboutBoxTest::SetUp();
        SetApplicationName("kvx_about_" + std::to_string(getpid()));
        PrepareLinkedProgramFolder(Path(""));
    }
    void TearDown() override
    {
        ResetProgramRun();
        AboutBoxTest::TearDown();
    }
};

TEST_F(AboutBoxEndToEndTest, SystemMenuShowsTheLoggersSerialAndCommand90TheCalibration)
{
    LoggerEmulator emulator(Path("s"), Path("sim.log"), {"--serial", "KVX12345"});
    ASSERT_TRUE(emulator.Running());
    std::vector<std::string> boxes;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT) {
        boxes.push_back(text);
        return IDOK;
    });
    bool linked = false;
    std::unique_ptr<AboutBoxReader> seen;
    std::string calibrationCaption, calibrationFile;
    QTimer::singleShot(0, [&] {
        CVarnoLogger_KVXDlg& main = *theApp.m_pMainDlg;
        linked = WaitFor([] { return theApp.m_nLinkStatus >= 16 && !theApp.m_strLoggerSerial.empty(); }, 15000);
        if (linked) {
            seen = std::make_unique<AboutBoxReader>("about_box.png");
            CMenu* system = main.GetSystemMenu(FALSE);
            for (QAction* item : system->Handle()->actions()) {
                if (item->text() == "&About software...")
                    item->trigger();
            }
            WhenModalWith(IDC_CAL_FILE, [&](QWidget* dialog) {
                calibrationCaption = dialog->windowTitle().toStdString();
                for (QLabel* label : dialog->findChildren<QLabel*>()) {
                    if (ControlIdOf(label) == IDC_CAL_FILE)
                        calibrationFile = label->text().toStdString();
                }
                ModalButton(dialog, IDCANCEL)->click();
            });
            main.OnCommand(ID_CMD_CALIBRATION, 0);
        }
        main.GetSafeHwnd()->close();
    });
    EXPECT_FALSE(theApp.InitInstance());

    ASSERT_TRUE(linked);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_NE(nullptr, seen);
    EXPECT_EQ("Logger S/N : KVX12345", seen->atShow[IDC_ABOUT_SERIAL]);
    EXPECT_EQ("Logger S/N : KVX12345", seen->texts[IDC_ABOUT_SERIAL]);
    EXPECT_EQ("KVX version\xA0" "2.10", seen->texts[IDC_ABOUT_VERSION]);
    EXPECT_EQ(g_strNotice, seen->texts[IDC_ABOUT_NOTICE]);
    EXPECT_EQ("Calbration", calibrationCaption);
    EXPECT_EQ("File: KVXS0001.tol", calibrationFile);
    EXPECT_TRUE(seen->cut.empty()) << "cut off: " << seen->texts[seen->cut.front()];
}

}  // namespace
