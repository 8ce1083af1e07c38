#pragma once

class QLineEdit;

namespace lookup {

// Letters typed into the field become capitals at once, the caret staying
// where it was: part numbers are kept in capitals.
void makeUpperCase(QLineEdit* edit);

} // namespace lookup
