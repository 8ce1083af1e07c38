#pragma once

#include "platform/Waiting.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testsupport {

// Closes a modal window still open after five seconds, so that a window the
// test failed to answer cannot hang it.
struct ModalGuard {
    QTimer timer;
    ModalGuard()
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget())
                m->close();
        });
        timer.start(5000);
    }
};

// Runs act with the active modal window (none: null) once the program rests
// in an event loop other than a wait for a database, checking every few
// milliseconds while this object lives; act returns false when the window it
// waits for is not up yet. A zero timer would not do: while a command waits
// for a database, the windows keep answering in a loop of the wait's own,
// where timers fire before the window the command opens is up.
class OnModal {
public:
    explicit OnModal(std::function<bool(QWidget* modal)> act) : act_(std::move(act))
    {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (platform::waitsRunning() == 0 && act_(modal))
                poll_.stop();
        });
        poll_.start();
    }

private:
    std::function<bool(QWidget*)> act_;
    QTimer poll_;
};

} // namespace testsupport
