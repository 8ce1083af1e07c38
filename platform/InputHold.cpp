#include "platform/InputHold.h"

#include "platform/Commands.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <deque>
#include <memory>

namespace platform {

namespace {

// The top-level widget a window of the toolkit shows.
QWidget* widgetOf(QWindow* window)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window)
            return w;
    return nullptr;
}

QWidget* widgetAt(QObject* receiver, QEvent* e)
{
    if (auto* w = qobject_cast<QWidget*>(receiver))
        return w;
    auto* window = qobject_cast<QWindow*>(receiver);
    QWidget* top = window ? widgetOf(window) : nullptr;
    if (!top)
        return nullptr;
    const QPoint at = e->type() == QEvent::ContextMenu ? static_cast<QContextMenuEvent*>(e)->pos()
                                                       : static_cast<QSinglePointEvent*>(e)->position().toPoint();
    QWidget* child = top->childAt(at);
    return child ? child : top;
}

// The window an event was made in: the receiver's own, or the widget's.
QObject* windowOf(QObject* receiver)
{
    if (auto* w = qobject_cast<QWidget*>(receiver))
        return w->window();
    return receiver;
}

bool shown(QObject* window)
{
    if (auto* w = qobject_cast<QWidget*>(window))
        return w->isVisible();
    if (auto* w = qobject_cast<QWindow*>(window))
        return w->isVisible();
    return false;
}

// Not behind a modal window opened since: the toolkit would refuse the input.
bool reachable(QWidget* w)
{
    QWidget* modal = QApplication::activeModalWidget();
    return !modal || !w || w->window() == modal || modal->isAncestorOf(w);
}

bool isKey(QEvent::Type t)
{
    return t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::InputMethod;
}

bool isMouse(QEvent::Type t)
{
    return t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick ||
           t == QEvent::Wheel || t == QEvent::ContextMenu;
}

class InputHold : public QObject, public WaitListener {
public:
    explicit InputHold(QObject* parent) : QObject(parent) { setWaitListener(this); }
    ~InputHold() override { setWaitListener(nullptr); }

    void drop()
    {
        held_.clear();
        droppedPresses_ = Qt::NoButton;
    }

    void waitBegan() override {}
    void waitsEnded() override { schedule(); }

    bool eventFilter(QObject* receiver, QEvent* e) override
    {
        if (waitsRunning() == 0)
            return false;
        const QEvent::Type t = e->type();
        if (isKey(t)) {
            QWidget* focus = qobject_cast<QWidget*>(receiver);
            if (!focus)
                focus = QApplication::focusWidget();
            if (!focus || focus->isEnabled())
                keep(receiver, e);
            return true;
        }
        if (t == QEvent::Shortcut) {
            // The toolkit dispatches only the shortcut of a control that is
            // enabled now, when the key is made.
            keep(receiver, e);
            return true;
        }
        if (isMouse(t)) {
            QWidget* target = widgetAt(receiver, e);
            const auto* mouse = t == QEvent::Wheel || t == QEvent::ContextMenu ? nullptr : static_cast<QMouseEvent*>(e);
            if (mouse && t == QEvent::MouseButtonRelease && (droppedPresses_ & mouse->button())) {
                droppedPresses_ &= ~mouse->button();
                return true;
            }
            if (target && !target->isEnabled()) {
                if (mouse && t != QEvent::MouseButtonRelease)
                    droppedPresses_ |= mouse->button();
                return true;
            }
            keep(receiver, e);
            return true;
        }
        if (t == QEvent::MouseMove)
            return static_cast<QMouseEvent*>(e)->buttons() != Qt::NoButton; // no drags meanwhile
        if (t == QEvent::Close && receiver->isWindowType()) {
            // The window manager asks a window to close.
            e->ignore();
            keep(receiver, e);
            return true;
        }
        switch (t) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
        }
    }

private:
    struct Held {
        QPointer<QObject> receiver;
        QPointer<QObject> window;
        std::unique_ptr<QEvent> event;
    };

    void keep(QObject* receiver, QEvent* e)
    {
        held_.push_back({receiver, windowOf(receiver), std::unique_ptr<QEvent>(e->clone())});
    }

    void schedule()
    {
        if (scheduled_ || held_.empty())
            return;
        scheduled_ = true;
        QMetaObject::invokeMethod(this, [this] { replay(); }, Qt::QueuedConnection);
    }

    void replay()
    {
        scheduled_ = false;
        while (!held_.empty() && waitsRunning() == 0) {
            Held h = std::move(held_.front());
            held_.pop_front();
            // A window this delivery opens runs a loop of its own: what is
            // still held goes on there, in order.
            schedule();
            deliver(h);
        }
    }

    void deliver(Held& h)
    {
        if (!h.receiver || !h.window || !shown(h.window))
            return; // its window has been closed since
        QEvent* e = h.event.get();
        const QEvent::Type t = e->type();
        if (t == QEvent::Close) {
            if (QWidget* w = widgetOf(qobject_cast<QWindow*>(h.receiver.data())))
                w->close();
            return;
        }
        if (isKey(t)) {
            // Where the focus is now: a window the command opened takes what
            // was typed ahead into it.
            QObject* to = QApplication::focusWidget();
            if (h.receiver->isWindowType() && QGuiApplication::focusWindow())
                to = QGuiApplication::focusWindow();
            QCoreApplication::sendEvent(to ? to : h.receiver.data(), e);
            return;
        }
        if (t == QEvent::Shortcut) {
            auto* w = qobject_cast<QWidget*>(h.receiver.data());
            auto* a = qobject_cast<QAction*>(h.receiver.data());
            if ((!w || (w->isEnabled() && reachable(w))) && (!a || a->isEnabled()))
                QCoreApplication::sendEvent(h.receiver, e);
            return;
        }
        QWidget* target = widgetAt(h.receiver, e);
        if (!reachable(target) || (target && !target->isEnabled()))
            return;
        if (t == QEvent::MouseButtonPress)
            takeClickFocus(target);
        QCoreApplication::sendEvent(h.receiver, e);
    }

    // A click moves the keyboard focus as the toolkit does for a click it
    // delivers itself.
    static void takeClickFocus(QWidget* w)
    {
        for (; w; w = w->parentWidget()) {
            if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) {
                w->setFocus(Qt::MouseFocusReason);
                return;
            }
            if (w->isWindow())
                return;
        }
    }

    std::deque<Held> held_;
    Qt::MouseButtons droppedPresses_ = Qt::NoButton;
    bool scheduled_ = false;
};

InputHold* g_hold = nullptr;

} // namespace

void installInputHold()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || g_hold)
        return;
    g_hold = new InputHold(app);
    QObject::connect(g_hold, &QObject::destroyed, [] { g_hold = nullptr; });
    app->installEventFilter(g_hold);
}

void dropHeldInput()
{
    if (g_hold)
        g_hold->drop();
}

} // namespace platform
