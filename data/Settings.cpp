#include "data/Settings.h"

#include "platform/Desktop.h"

namespace data {

MarkupFactors& markup()
{
    static MarkupFactors factors;
    return factors;
}

QString settingsPath()
{
    return platform::exeWithExtension(QStringLiteral(".INI"));
}

} // namespace data
