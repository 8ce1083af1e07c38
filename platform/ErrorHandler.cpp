#include "platform/ErrorHandler.h"

#include "platform/Commands.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/InputHold.h"

#include <QString>

#include <exception>
#include <memory>

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

namespace {

bool report(const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (...) {
        showError(currentFailureText());
        return false;
    }
}

} // namespace

bool guardedFor(QObject* context, std::function<void()> body)
{
    // Wherever there are windows to hold input for, the hold is there before
    // the first command can wait.
    installInputHold();
    auto ok = std::make_shared<bool>(false);
    runCommand(Arrival::Defer, nullptr, context, [ok, body = std::move(body)] { *ok = report(body); });
    return *ok;
}

bool guarded(std::function<void()> body)
{
    return guardedFor(nullptr, std::move(body));
}

bool ticked(const void* key, const std::function<void()>& body)
{
    installInputHold();
    bool ok = false;
    runCommand(Arrival::Skip, key, nullptr, [&] { ok = report(body); });
    return ok;
}

} // namespace platform
