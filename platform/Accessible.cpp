#include "platform/Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace platform {

namespace {

const char* const kCaption = "orvadoAccessibleCaption";

class CaptionedDisplay : public QAccessibleWidget {
public:
    explicit CaptionedDisplay(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const QString shown = static_cast<const QLabel*>(widget())->text();
        if (t == QAccessible::Value)
            return shown;
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const QString caption = widget()->property(kCaption).toString();
        return shown.isEmpty() ? caption : caption + QStringLiteral(": ") + shown;
    }
};

QAccessibleInterface* captionedFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QLabel") || !object->property(kCaption).isValid())
        return nullptr;
    return new CaptionedDisplay(static_cast<QLabel*>(object));
}

} // namespace

void captionDisplay(QLabel* label, const QString& caption)
{
    static const bool installed = [] {
        QAccessible::installFactory(captionedFactory);
        return true;
    }();
    (void)installed;
    label->setProperty(kCaption, caption);
}

} // namespace platform
