#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace windows {

// Opens the window in the middle of the desktop rather than over its opener.
inline void centreOnScreen(QWidget* w)
{
    if (QScreen* s = QGuiApplication::primaryScreen())
        w->move(s->availableGeometry().center() - w->rect().center());
}

} // namespace windows
