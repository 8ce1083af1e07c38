#include "app/Application.h"
#include "app/CommandLine.h"
#include "platform/EngineLock.h"
#include "platform/Translations.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The help and the version answer on a terminal, with or without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const app::TerminalQuestion q = app::terminalQuestion(arguments); q != app::TerminalQuestion::None) {
        const QCoreApplication core(argc, argv);
        std::fputs(app::terminalAnswer(q).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!app::displayAvailable()) {
        std::fputs("Orvado: no display (DISPLAY is not set); run it on a virtual one: xvfb-run -a scripts/run-demo.sh\n",
                   stderr);
        return 1;
    }
    // Before anything calls into the client library.
    platform::prepareEngineLock();
    QApplication application(argc, argv);
    platform::loadToolkitTranslations();
    return app::run();
}
