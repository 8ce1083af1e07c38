#include "platform/Desktop.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace platform {

namespace {
QString g_exePath;
std::function<QDateTime()> g_clock;
std::function<void(const QString&)> g_shell;
} // namespace

QString exePath()
{
    if (!g_exePath.isEmpty())
        return g_exePath;
    return QCoreApplication::applicationFilePath();
}

QString exeDir()
{
    QString dir = QFileInfo(exePath()).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString exeWithExtension(const QString& ext)
{
    QFileInfo fi(exePath());
    QString name = fi.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name = name.left(dot);
    return exeDir() + name + ext;
}

void setExePathForTests(const QString& path)
{
    g_exePath = path;
}

QDateTime now()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void setClockForTests(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

void setClipboardText(const QString& text)
{
    if (auto* cb = QGuiApplication::clipboard())
        cb->setText(text);
}

QString clipboardText()
{
    if (auto* cb = QGuiApplication::clipboard())
        return cb->text();
    return {};
}

void shellOpen(const QString& target)
{
    if (g_shell) {
        g_shell(target);
        return;
    }
    const QUrl url = target.startsWith(QLatin1String("mailto:")) ? QUrl(target) : QUrl::fromLocalFile(target);
    (void)QDesktopServices::openUrl(url);
}

void setShellForTests(std::function<void(const QString&)> shell)
{
    g_shell = std::move(shell);
}

} // namespace platform
