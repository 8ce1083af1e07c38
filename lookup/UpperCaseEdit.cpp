#include "lookup/UpperCaseEdit.h"

#include <QLineEdit>

namespace lookup {

void makeUpperCase(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& t) {
        const QString up = t.toUpper();
        if (up == t)
            return;
        const int pos = edit->cursorPosition();
        edit->setText(up);
        edit->setCursorPosition(pos);
    });
}

} // namespace lookup
