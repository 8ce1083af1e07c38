#include "app/Markup.h"

#include "platform/Desktop.h"

namespace app {

MarkupFactors& markup()
{
    static MarkupFactors factors;
    return factors;
}

QString settingsPath()
{
    return platform::exeWithExtension(QStringLiteral(".INI"));
}

} // namespace app
