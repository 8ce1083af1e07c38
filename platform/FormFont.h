#pragma once

class QWidget;

namespace platform {

// Every window of the program is drawn in MS Sans Serif, 11 pixels high.
// Where that face is not installed, Liberation Sans (the same widths as the
// desktop's Arial, close to MS Sans Serif) stands in, so that captions sized
// for it still fit; without either, the desktop's sans serif face is used.
void useFormFont(QWidget* w);

} // namespace platform
