#include "platform/RefreshHold.h"

#include <QApplication>
#include <QWidget>

namespace platform {

namespace {
constexpr const char* kHolds = "orvadoHoldsRefresh";
}

void holdsRefresh(QWidget* window)
{
    window->setProperty(kHolds, true);
}

bool refreshHeld()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->property(kHolds).toBool())
            return true;
    return false;
}

} // namespace platform
