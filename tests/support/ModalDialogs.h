#pragma once
// Answers a modal dialog that a command opens, as the operator would: once
// a modal dialog with every one of the buttons is up, clicks them in order.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/Window.h"

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

// Once the modal dialog is one with a control of this id, hands it to `act`,
// once. Polls rather than reading at a fixed time: the dialog is up only when
// its command has built it, however slow the machine.
inline void WhenModalWith(int id, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, id, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !HasControl(dialog, id))
            return;
        poll->deleteLater();
        poll->stop();
        act(dialog);
    });
    poll->start(20);
}

inline void ClickWhenModal(std::vector<int> ids)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, ids] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr)
            return;
        std::vector<QAbstractButton*> buttons;
        for (int id : ids) {
            QAbstractButton* button = ModalButton(dialog, id);
            if (button == nullptr)
                return;
            buttons.push_back(button);
        }
        for (QAbstractButton* button : buttons)
            button->click();
        poll->deleteLater();
    });
    poll->start(20);
}
