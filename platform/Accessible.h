#pragma once

#include <QString>

class QLabel;

namespace platform {

// A display that shows a bare figure or text (the stock on hand, a status
// panel) says what it shows: assistive technology reads "caption: text" as
// its name, and the text alone as its value, always the current one.
void captionDisplay(QLabel* label, const QString& caption);

} // namespace platform
