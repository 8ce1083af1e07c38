#include "platform/FormFont.h"

#include <QFont>
#include <QWidget>

namespace platform {

void useFormFont(QWidget* w)
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        return true;
    }();
    (void)substituted;
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    w->setFont(f);
}

} // namespace platform
