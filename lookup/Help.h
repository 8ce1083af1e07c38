#pragma once

#include <QString>

namespace lookup {

// What "Помощь..." asks the desktop to open: the compiled help file beside
// the executable (the executable's name with ".chm") when there is one, else
// the user guide (guide/index.html beside the executable, or where the
// package put it: platform/Places.h). With neither, the
// help file's name all the same: the desktop then opens nothing, and nothing
// is reported.
QString helpDocument();

} // namespace lookup
