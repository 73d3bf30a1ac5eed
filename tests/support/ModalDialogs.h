#pragma once
// Answers a modal dialog that a command opens, as the operator would: once
// a modal dialog with every one of the buttons is up, clicks them in order.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
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
