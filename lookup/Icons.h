#pragma once

#include <QIcon>

namespace lookup {

// The images of the main window's buttons, drawn rather than shipped.
QIcon searchIcon(int size);
QIcon glyphIcon(const QString& glyph, const QColor& color, int size);

} // namespace lookup
