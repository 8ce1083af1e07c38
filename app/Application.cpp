#include "app/Application.h"

#include "app/ProgramIcon.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "platform/Places.h"

#include <QApplication>

namespace app {

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

Program::Program() = default;

Program::~Program() = default;

std::unique_ptr<Program> start()
{
    QApplication::setApplicationName(platform::appTitle());
    QApplication::setWindowIcon(programIcon());
    // The menu entry's name: a Wayland desktop matches the windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.tovrin.Orvado"));
    platform::makeUserFolders();

    auto p = std::make_unique<Program>();
    p->dm = std::make_unique<data::TdmMain>();
    bool carryOn = true;
    // A failure inside the data module's creation is shown and the start goes
    // on; the reconnect timers of the main window connect the databases.
    platform::guarded([&] { carryOn = p->dm->DataModuleCreate(platform::desktopPrompts()); });
    if (!carryOn)
        return nullptr;

    p->main = std::make_unique<lookup::TfmMain>(*p->dm);
    lookup::TfmMain& main = *p->main;
    p->order = new order::TfmOrder(*p->dm, &main);
    p->order->searchNumber = [&main](const QString& n) { return main.searchNumber(n); };
    p->order->setRefreshEnabled = [&main](bool on) {
        if (on)
            main.UpdateTimer.start();
        else
            main.UpdateTimer.stop();
    };
    main.setOrderWindow(p->order);
    return p;
}

int run()
{
    const std::unique_ptr<Program> p = start();
    if (!p)
        return 0;
    p->main->show();
    return QApplication::exec();
}

} // namespace app
