#include "app/Application.h"
#include "platform/Translations.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!app::displayAvailable()) {
        std::fputs("Orvado: no display (DISPLAY is not set); run it on a virtual one: xvfb-run -a scripts/run-demo.sh\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    platform::loadToolkitTranslations();
    return app::run();
}
