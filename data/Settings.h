#pragma once

#include <QString>

namespace data {

// The three markup factors, held in single precision for the whole process:
// whatever the settings file says, a price is multiplied by the rounded value.
struct MarkupFactors {
    float other = 1.0f; // OtherRate, "Наценка другая"
    float opt = 1.0f;   // OptRate, "Наценка Опт"
    float rozn = 1.0f;  // RoznRate, "Наценка розница"
};

MarkupFactors& markup();

// The user's settings file, the one the program writes: the executable's own
// path with ".INI", or for an installed program the user's own (platform/Places.h).
QString settingsPath();

inline const QString kSectionPaths = QStringLiteral("Paths");
inline const QString kSectionCharges = QStringLiteral("Charges");

} // namespace data
