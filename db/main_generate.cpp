// orvado-makedb: builds the demo, price and benchmark databases.

#include "data/firebird/Error.h"
#include "db/DemoData.h"
#include "db/LargeData.h"
#include "db/Schema.h"
#include "platform/EngineLock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

void say(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

const char* const kUsage =
    "Использование:\n"
    "  orvado-makedb demo <база предприятия.gdb> <прайс.gdb>\n"
    "  orvado-makedb price <прайс.gdb>\n"
    "  orvado-makedb large <база предприятия.gdb> <число деталей> <число строк> [начальное число]\n"
    "  orvado-makedb --help | --version";

int usage()
{
    say(QString::fromUtf8(kUsage));
    return 2;
}

// Files made by a run that failed are removed again, so a second run can
// start clean; a file that was there before is never touched.
struct NewFiles {
    QStringList paths;
    bool keep = false;
    ~NewFiles()
    {
        if (!keep)
            for (const QString& p : paths)
                QFile::remove(p);
    }
};

bool mustBeNew(const QStringList& paths)
{
    for (const QString& p : paths)
        if (QFileInfo::exists(p)) {
            say(QStringLiteral("Файл уже существует: %1").arg(p));
            return false;
        }
    return true;
}

bool toNumber(const QString& text, qint64* out)
{
    bool ok = false;
    *out = text.toLongLong(&ok);
    return ok && *out >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    if (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        std::printf("%s\n", kUsage);
        return 0;
    }
    if (args[0] == QLatin1String("--version")) {
        std::printf("orvado-makedb (Tovrin Zevaveraz) %s\n", ORVADO_VERSION);
        return 0;
    }
    // Before the first call into the client library, as the program does.
    platform::prepareEngineLock();
    const QString cmd = args[0];
    NewFiles made;
    try {
        QElapsedTimer clock;
        clock.start();
        if (cmd == QLatin1String("demo") && args.size() == 3) {
            if (!mustBeNew({args[1], args[2]}))
                return 1;
            made.paths << args[1];
            db::createEnterprise(args[1]);
            made.paths << args[2];
            db::createPrice(args[2]);
            db::fillDemo(args[1], args[2]);
        } else if (cmd == QLatin1String("price") && args.size() == 2) {
            if (!mustBeNew({args[1]}))
                return 1;
            made.paths << args[1];
            db::createPrice(args[1]);
            db::fillDemoPrice(args[1]);
        } else if (cmd == QLatin1String("large") && (args.size() == 4 || args.size() == 5)) {
            qint64 parts = 0, lines = 0, seed = 1;
            if (!toNumber(args[2], &parts) || parts < 1 || parts > 0x7fffffff || !toNumber(args[3], &lines) ||
                lines > 0x7fffffff || (args.size() == 5 && !toNumber(args[4], &seed))) {
                say(QStringLiteral("Неверное число в командной строке"));
                return usage();
            }
            if (!mustBeNew({args[1]}))
                return 1;
            made.paths << args[1];
            db::createEnterprise(args[1]);
            db::fillLarge(args[1], static_cast<int>(parts), lines, static_cast<quint64>(seed));
        } else {
            return usage();
        }
        made.keep = true;
        say(QStringLiteral("Готово за %1 с").arg(clock.elapsed() / 1000.0, 0, 'f', 1));
        return 0;
    } catch (const fb::Error& e) {
        say(QStringLiteral("Ошибка: %1").arg(e.text()));
    } catch (const std::exception& e) {
        say(QStringLiteral("Ошибка: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    return 1;
}
