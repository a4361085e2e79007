#pragma once

// Answers a dialog shown with exec() (or any modal window) from inside the
// test: polls QApplication::activeModalWidget() every 10 ms and hands the
// first visible one to the action. When the deadline passes first, every
// modal window is closed so a broken test fails instead of hanging.

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalAnswer : public QObject
{
public:
    using Action = std::function<void(QWidget* modal)>;

    explicit ModalAnswer(Action action, int deadlineMs = 5000)
        : m_action(std::move(action))
        , m_deadline(deadlineMs)
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswer::poll);
        m_timer.start(10);
    }

    // True once the action ran.
    [[nodiscard]] bool answered() const { return m_answered; }
    // The modal window the action was given.
    [[nodiscard]] QWidget* modal() const { return m_modal; }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            m_timer.stop();
            m_answered = true;
            m_modal = modal;
            m_action(modal);
            return;
        }
        if (m_clock.elapsed() > m_deadline) {
            m_timer.stop();
            for (int i = 0; i < 10; ++i) {
                QWidget* stuck = QApplication::activeModalWidget();
                if (!stuck)
                    break;
                stuck->close();
            }
        }
    }

    Action m_action;
    int m_deadline;
    QElapsedTimer m_clock;
    QTimer m_timer;
    bool m_answered = false;
    QPointer<QWidget> m_modal;
};
