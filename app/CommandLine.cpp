#include "app/CommandLine.h"

#include "platform/Places.h"

namespace app {

QString version()
{
    return QStringLiteral(ORVADO_VERSION);
}

QString versionText()
{
    return QStringLiteral("Orvado (Tovrin Zevaveraz) %1\n").arg(version());
}

QString helpText()
{
    const platform::Places p = platform::places();
    QString text = QStringLiteral(
        "Использование: Orvado [--help | --version]\n"
        "\n"
        "Tovrin Zevaveraz: остатки, цены и заказ запчастей по базе «Автопредприятия»\n"
        "для продавцов за прилавком. Без параметров открывает главное окно.\n"
        "\n"
        "  --help     эта справка\n"
        "  --version  версия программы\n"
        "\n"
        "Файлы этой копии программы:\n");
    const auto line = [&text](const QString& what, const QString& where) {
        text += QStringLiteral("  %1\n      %2\n").arg(what, where);
    };
    line(QStringLiteral("настройки (пишет программа):"), p.settingsFile);
    if (!p.shopSettingsFile.isEmpty())
        line(QStringLiteral("общие настройки магазина (для ключей, которых нет в файле пользователя):"),
             p.shopSettingsFile);
    line(QStringLiteral("база Автопредприятия:"),
         QStringLiteral("ключ AEDir раздела [Paths]; без него AENTER.GDB в текущей папке"));
    line(QStringLiteral("база прайс-листа (курсы валют), если ключ VaderIzar не называет другую:"), p.priceDatabase);
    line(QStringLiteral("история поиска:"), p.historyFile);
    line(QStringLiteral("руководство:"), p.guideFolder + QStringLiteral("/index.html"));
    text += QStringLiteral(
        "\n"
        "Окружение:\n"
        "  FIREBIRD_LOCK  папка файлов блокировок встроенного сервера Firebird; если не задана,\n"
        "                 программа берёт свою папку пользователя в $XDG_RUNTIME_DIR\n"
        "                 (или ~/.cache/Orvado/firebird-lock)\n");
    return text;
}

TerminalQuestion terminalQuestion(const QStringList& arguments)
{
    for (const QString& a : arguments.mid(1)) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return TerminalQuestion::Help;
        if (a == QLatin1String("--version"))
            return TerminalQuestion::Version;
    }
    return TerminalQuestion::None;
}

QString terminalAnswer(TerminalQuestion question)
{
    switch (question) {
    case TerminalQuestion::Help:
        return helpText();
    case TerminalQuestion::Version:
        return versionText();
    case TerminalQuestion::None:
        break;
    }
    return {};
}

} // namespace app
