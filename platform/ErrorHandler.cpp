#include "platform/ErrorHandler.h"

#include "platform/Dialogs.h"
#include "platform/Failure.h"

#include <QString>

#include <exception>

namespace platform {

QString currentFailureText()
{
    try {
        throw;
    } catch (const Failure& f) {
        return f.text();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка");
    }
}

bool guarded(const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (...) {
        showError(currentFailureText());
        return false;
    }
}

} // namespace platform
