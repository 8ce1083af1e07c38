#include "data/Sentences.h"

#include <firebird/Interface.h>

namespace data {

namespace {

QString title(Whose whose)
{
    return whose == Whose::Enterprise ? QStringLiteral("базы Автопредприятия") : QStringLiteral("базы прайс-листа");
}

QString arg(const fb::Error& e, int i)
{
    return i < e.args().size() ? e.args().at(i) : QString();
}

// A statement that does not fit the database the program found.
QString statementSentence(const fb::Error& e, const QString& what)
{
    return QStringLiteral("Запрос %1: %2.\nБаза данных не такая, как ждёт программа: сообщите администратору.")
        .arg(arg(e, 0), what);
}

// What the person at the desk is told first; empty: the failure's own text
// says it.
QString sentence(const fb::Error& e, const QString& name, Whose whose)
{
    switch (e.firstCode()) {
    case fb::Error::kServerSilent:
        return QStringLiteral("Сервер %1 «%2» не отвечает. Программа подключится к ней сама, как только сервер "
                              "ответит.")
            .arg(title(whose), name);
    case fb::Error::kConnectionDead:
        return QStringLiteral("Связь с сервером %1 «%2» потеряна: сервер работает, но по этому соединению больше "
                              "не отвечает (его оборвала сеть). Программа подключится к ней заново сама.")
            .arg(title(whose), name);
    case fb::Error::kAttachGivenUp:
    case isc_connect_reject:
        return QStringLiteral("Сервер базы данных не отвечает. Программа подключится к нему снова при следующей "
                              "команде.");
    case isc_io_error:
        return QStringLiteral("Файл базы данных не найден или недоступен. Проверьте путь к нему в файле Orvado.INI.");
    case isc_network_error:
        return QStringLiteral("Сервер базы данных недоступен: нет связи с ним по сети. Проверьте, что сервер "
                              "включён и сеть работает.");
    case isc_net_read_err:
    case isc_net_write_err:
    case isc_conn_lost:
    case isc_lost_db_connection:
        return QStringLiteral("Связь с сервером базы данных прервалась. Программа подключится снова при "
                              "следующей команде.");
    case isc_login:
        return QStringLiteral("Сервер базы данных не принял имя пользователя или пароль программы.");
    case isc_shutdown:
    case isc_shutinprog:
        return QStringLiteral("База данных закрыта администратором для обслуживания.");
    case isc_att_shutdown:
    case isc_net_server_shutdown:
        return QStringLiteral("Сервер базы данных прервал подключение. Программа подключится снова при "
                              "следующей команде.");
    case isc_lock_conflict:
    case isc_deadlock:
    case isc_update_conflict:
        return QStringLiteral("Запись занята другим пользователем. Повторите позже.");
    case fb::Error::kStatementRefused:
        return QStringLiteral("Запрос %1 не принят базой данных: в ней нет нужной таблицы или столбца.\n"
                              "Сообщите администратору.")
            .arg(arg(e, 0));
    case fb::Error::kNoColumn:
        return statementSentence(e, QStringLiteral("в базе нет столбца %1").arg(arg(e, 1)));
    case fb::Error::kColumnType:
        return statementSentence(e, QStringLiteral("столбец %1 в базе другого типа").arg(arg(e, 1)));
    case fb::Error::kParamCount:
        return statementSentence(e, QStringLiteral("параметров в запросе %1, в тексте %2").arg(arg(e, 1), arg(e, 2)));
    case fb::Error::kNoField:
        return statementSentence(e, QStringLiteral("нет поля %1").arg(arg(e, 1)));
    case fb::Error::kNotANumber:
        return statementSentence(e, QStringLiteral("«%1» — не число").arg(arg(e, 1)));
    case fb::Error::kBadValue:
        return statementSentence(e, QStringLiteral("параметр %1: значение не подходит").arg(arg(e, 1)));
    case fb::Error::kTextTooLong:
        return statementSentence(e, QStringLiteral("текст «%1» длиннее допустимых %2 символов").arg(arg(e, 1), arg(e, 2)));
    case fb::Error::kNeedsDateTime:
        return statementSentence(e, QStringLiteral("параметр %1: нужны дата и время").arg(arg(e, 1)));
    case fb::Error::kTypeUnsupported:
        return statementSentence(e, QStringLiteral("параметр %1: тип не поддерживается").arg(arg(e, 1)));
    case fb::Error::kNoParam:
        return QStringLiteral("Запрос %1: нет параметра %2").arg(arg(e, 0), arg(e, 1));
    case fb::Error::kNoRow:
        return QStringLiteral("Запрос %1: нет строки %2 (строк %3)").arg(arg(e, 0), arg(e, 1), arg(e, 2));
    default:
        return {};
    }
}

// Whether the failure's own words add anything for the administrator: the
// program's own mistakes and a missing connection say it all in the sentence.
bool ownWordsFollow(intptr_t code)
{
    switch (code) {
    case fb::Error::kNotAttached:
    case fb::Error::kNoColumn:
    case fb::Error::kColumnType:
    case fb::Error::kParamCount:
    case fb::Error::kNoField:
    case fb::Error::kNotANumber:
    case fb::Error::kBadValue:
    case fb::Error::kTextTooLong:
    case fb::Error::kNeedsDateTime:
    case fb::Error::kTypeUnsupported:
    case fb::Error::kNoParam:
    case fb::Error::kNoRow:
        return false;
    default:
        return true;
    }
}

} // namespace

fb::Error toldOf(const fb::Error& e, const QString& databaseName, Whose whose)
{
    if (e.hasCode(fb::Error::kTold))
        return e;
    QString text;
    if (e.firstCode() == fb::Error::kNotAttached) {
        text = QStringLiteral("Нет соединения с базой данных «%1». Программа подключится к ней сама, как только "
                              "база станет доступна.")
                   .arg(databaseName);
    } else {
        text = sentence(e, databaseName, whose);
        if (text.isEmpty())
            text = e.text();
        else if (ownWordsFollow(e.firstCode()) && !e.text().isEmpty())
            text += QLatin1Char('\n') + e.text();
    }
    std::vector<intptr_t> codes = e.codes();
    codes.push_back(fb::Error::kTold);
    return fb::Error(text, std::move(codes), e.args());
}

} // namespace data
