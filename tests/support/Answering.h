#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace testsupport {

// How often the program got back to its windows while a command ran: a
// timer that ticks every 50 ms and asks the window to repaint, and the
// paints that followed.
class Answering : public QObject {
public:
    explicit Answering(QWidget* w) : w_(w)
    {
        tick_.setInterval(50);
        connect(&tick_, &QTimer::timeout, this, [this] {
            ++ticks;
            w_->update();
        });
        w_->installEventFilter(this);
        tick_.start();
        clock.start();
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    // Answered throughout: a tick at least every half second on average,
    // and paints among them.
    bool answered() const { return ticks >= clock.elapsed() / 500 && ticks >= 4 && paints >= 2; }
    QString said() const
    {
        return QStringLiteral("%1 ticks, %2 paints in %3 ms").arg(ticks).arg(paints).arg(clock.elapsed());
    }

    int ticks = 0;
    int paints = 0;
    QElapsedTimer clock;

private:
    QWidget* w_;
    QTimer tick_;
};

} // namespace testsupport

// The command came back within the bound, the window answering throughout.
#define VERIFY_ANSWERED_WITHIN(answering, bound)                                                                   \
    do {                                                                                                           \
        QVERIFY2((answering).clock.elapsed() < (bound), qPrintable((answering).said()));                           \
        QVERIFY2((answering).answered(), qPrintable((answering).said()));                                          \
    } while (false)
