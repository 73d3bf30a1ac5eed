#pragma once
// Answers a modal dialog that a command opens, as the operator would. A
// dialog that does not come, or stays up once answered, fails the test with
// what was waited for: a command waiting on a dialog nobody answers would
// hold the test until ctest's timeout.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/Window.h"

// Time enough for a loaded machine to open or close a dialog.
constexpr std::chrono::seconds kModalDeadline{10};

inline QAbstractButton* ModalButton(QWidget* dialog, int id)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (ControlIdOf(button) == id)
            return button;
    }
    return nullptr;
}

inline bool HasControl(QWidget* dialog, int id)
{
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (ControlIdOf(child) == id)
            return true;
    }
    return false;
}

// Polls until `done` holds. Past the deadline it fails the test with
// `failure` and runs `giveUp`; when the test that armed it ends first, it
// fails that test: left over, it would answer another test's dialog.
class ModalWait : public QTimer {
public:
    static void Start(std::string failure, std::function<bool()> done, std::function<void()> giveUp = {})
    {
        auto* wait = new ModalWait(std::move(failure), std::move(done), std::move(giveUp));
        Pending().insert(wait);
        QObject::connect(wait, &QTimer::timeout, [wait] { wait->Poll(); });
        wait->start(20);
    }
    static void EndAll()
    {
        // A dialog answered here arms one more wait, for it to go.
        while (!Pending().empty()) {
            ModalWait* wait = *Pending().begin();
            if (wait->m_done())
                wait->End();
            else
                wait->Fail("the test ended first");
        }
    }

private:
    ModalWait(std::string failure, std::function<bool()> done, std::function<void()> giveUp)
        : m_failure(std::move(failure)), m_done(std::move(done)), m_giveUp(std::move(giveUp)),
          m_deadline(std::chrono::steady_clock::now() + kModalDeadline)
    {
    }
    static std::set<ModalWait*>& Pending()
    {
        static std::set<ModalWait*> pending;
        return pending;
    }
    void Poll()
    {
        // `done` may run a nested event loop, where this must not poll again.
        stop();
        if (m_done())
            return End();
        if (std::chrono::steady_clock::now() < m_deadline)
            return start();
        Fail("waited " + std::to_string(kModalDeadline.count()) + " s");
        if (m_giveUp)
            m_giveUp();
    }
    void Fail(const std::string& why)
    {
        ADD_FAILURE() << m_failure << " (" << why << ")";
        End();
    }
    void End()
    {
        Pending().erase(this);
        stop();
        deleteLater();
    }

    std::string m_failure;
    std::function<bool()> m_done;
    std::function<void()> m_giveUp;
    std::chrono::steady_clock::time_point m_deadline;
};

// Once the modal dialog up is one that `matches`, hands it to `act`, once;
// then the dialog must go, or it is ended as its Cancel would end it, so that
// the command waiting on it returns. Polls rather than reading at a fixed
// time: the dialog is up only when its command has built it, however slow
// the machine.
inline void AnswerModal(const std::string& what, std::function<bool(QWidget*)> matches,
                        std::function<void(QWidget*)> act)
{
    ModalWait::Start("no " + what + " came", [what, matches, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !matches(dialog))
            return false;
        QPointer<QWidget> answered = dialog;
        act(dialog);
        ModalWait::Start(
            what + " stayed up once answered", [answered] { return answered.isNull() || !answered->isVisible(); },
            [] { EndModalDialogs(); });
        return true;
    });
}

// Once the modal dialog is one with a control of this id, hands it to `act`, once.
inline void WhenModalWith(int id, std::function<void(QWidget*)> act)
{
    AnswerModal("modal dialog with control " + std::to_string(id),
                [id](QWidget* dialog) { return HasControl(dialog, id); }, std::move(act));
}

// Once a modal dialog with every one of the buttons is up, clicks them in order.
inline void ClickWhenModal(std::vector<int> ids)
{
    std::string what = "modal dialog with buttons";
    for (int id : ids)
        what += " " + std::to_string(id);
    AnswerModal(
        what,
        [ids](QWidget* dialog) {
            for (int id : ids)
                if (ModalButton(dialog, id) == nullptr)
                    return false;
            return true;
        },
        [ids](QWidget* dialog) {
            std::vector<QAbstractButton*> buttons;
            for (int id : ids)
                buttons.push_back(ModalButton(dialog, id));
            for (QAbstractButton* button : buttons)
                button->click();
        });
}

// A message box or a file dialog that nothing answers holds the command, and
// the test, that opened it; neither does work of its own that may keep it up.
// Watched in every test: one up past the deadline fails the test and is ended
// as its Cancel would end it. Waits still pending fail the test that ends.
inline void WatchModalDialogs()
{
    class EndOfTest : public testing::EmptyTestEventListener {
        void OnTestEnd(const testing::TestInfo&) override { ModalWait::EndAll(); }
    };
    testing::UnitTest::GetInstance()->listeners().Append(new EndOfTest);
    auto* watch = new QTimer(qApp);
    auto check = [shown = QPointer<QWidget>(), since = std::chrono::steady_clock::now()]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr && qobject_cast<QFileDialog*>(modal) == nullptr) {
            shown = nullptr;
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (modal != shown) {
            shown = modal;
            since = now;
        }
        if (now - since < kModalDeadline)
            return;
        ADD_FAILURE() << "nothing answered \"" << (box != nullptr ? box->text() : modal->windowTitle()).toStdString()
                      << "\" in " << kModalDeadline.count() << " s";
        shown = nullptr;
        EndModalDialogs();
    };
    QObject::connect(watch, &QTimer::timeout, check);
    watch->start(100);
}
