#include "platform/WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

void placeWindow(QWidget* w)
{
    if (QScreen* s = QGuiApplication::primaryScreen())
        w->move(s->availableGeometry().center() - w->rect().center());
}

} // namespace platform
