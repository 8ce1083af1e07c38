#include "data/Settings.h"

#include "platform/Places.h"

namespace data {

MarkupFactors& markup()
{
    static MarkupFactors factors;
    return factors;
}

QString settingsPath()
{
    return platform::places().settingsFile;
}

} // namespace data
