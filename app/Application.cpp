#include "app/Application.h"

#include "app/ErrorHandler.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"

#include <QApplication>

namespace app {

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int run()
{
    QApplication::setApplicationName(platform::appTitle());

    data::TdmMain dm;
    bool carryOn = true;
    // A failure inside the data module's creation is shown and the start goes
    // on; the reconnect timers of the main window connect the databases.
    guarded([&] { carryOn = dm.DataModuleCreate(); });
    if (!carryOn)
        return 0;

    lookup::TfmMain main(dm);
    auto* orderWindow = new order::TfmOrder(dm, &main);
    orderWindow->searchNumber = [&main](const QString& n) { return main.searchNumber(n); };
    orderWindow->setRefreshEnabled = [&main](bool on) {
        if (on)
            main.UpdateTimer.start();
        else
            main.UpdateTimer.stop();
    };
    main.setOrderWindow(orderWindow);
    main.show();
    return QApplication::exec();
}

} // namespace app
