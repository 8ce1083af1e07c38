#pragma once

#include <QFont>
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

// The font every window of the program is drawn in, 11 pixels high.
inline void useFormFont(QWidget* w)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    w->setFont(f);
}

} // namespace windows
