#include "app/Application.h"

#include "app/ProgramIcon.h"
#include "data/TdmMain.h"
#include "data/firebird/Attach.h"
#include "lookup/TfmMain.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "platform/QuitOnSignal.h"
#include "platform/Places.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

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
    platform::quitOnSignals();

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
    main.setOrderWindow(p->order);
    return p;
}

int run()
{
    std::unique_ptr<Program> p = start();
    if (!p)
        return 0;
    // Over the client library's own, put in at the start's first attach.
    platform::quitOnSignals();
    int code = 0;
    if (!platform::quitAsked()) {
        p->main->show();
        code = QApplication::exec();
    }
    // Closing waits for no server that does not answer.
    p->dm->beginClosing();
    p.reset();
    // A thread still inside the client library (an attach given up, whose
    // server never answered) must not have it torn down under it: the
    // process then ends around it. Everything the program keeps is written
    // by now.
    if (!fb::endStragglers(2000)) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

} // namespace app
