#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

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

} // namespace testsupport
