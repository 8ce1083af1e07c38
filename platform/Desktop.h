#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {

// The running executable's full path; tests may stand in another one, so that
// the settings and history files land in a folder of their own.
QString exePath();
QString exeDir();                                  // with a trailing '/'
QString exeWithExtension(const QString& ext);      // "…/Orvado" + ".INI"
void setExePathForTests(const QString& path);

// The local clock; tests may fix it.
QDateTime now();
void setClockForTests(std::function<QDateTime()> clock);

// Plain-text clipboard.
void setClipboardText(const QString& text);
QString clipboardText();

// Asks the desktop to open a document or a mailto: address; the result is
// ignored. Tests may record the requests instead.
void shellOpen(const QString& target);
void setShellForTests(std::function<void(const QString&)> shell);

} // namespace platform
