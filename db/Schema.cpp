#include "db/Schema.h"

#include "data/firebird/Database.h"
#include "data/firebird/Transaction.h"

#include <QRegularExpression>

#include <cstddef>

namespace db {

namespace {

// Each .sql file reads to the compiler as  -- R"sql( ... )sql"_sql : a raw
// string with a suffix, preceded by a prefix decrement that does nothing.
// That keeps the files plain SQL for isql and still lets the build track
// them as ordinary includes.
struct SqlText {
    const char* text;
    std::size_t size;
    constexpr SqlText operator--() const { return *this; }
};

constexpr SqlText operator""_sql(const char* text, std::size_t size)
{
    return {text, size};
}

constexpr SqlText kEnterprise =
#include "enterprise.sql"
    ;

constexpr SqlText kPrice =
#include "price.sql"
    ;

QString toQString(SqlText s)
{
    return QString::fromUtf8(s.text, static_cast<qsizetype>(s.size));
}

bool startsWithAt(const QString& text, qsizetype i, const QString& what)
{
    return QStringView(text).mid(i, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

void createFrom(const QString& path, const QString& script, bool forcedWrites)
{
    fb::Database db(QStringLiteral("makedb"), fb::CloseAction::Commit, fb::Access::ReadWrite);
    db.setDatabaseName(path);
    db.params().password = QStringLiteral("masterkey");
    if (!forcedWrites)
        db.params().forcedWrites = 0;
    db.create();
    runScript(db, script);
    db.disconnect();
}

} // namespace

QString enterpriseScript()
{
    return toQString(kEnterprise);
}

QString priceScript()
{
    return toQString(kPrice);
}

QStringList splitScript(const QString& sqlText)
{
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    QString term = QStringLiteral(";");
    QString current;
    const QString& t = sqlText;
    const qsizetype n = t.size();

    auto finish = [&]() {
        const QString stmt = current.trimmed();
        current.clear();
        if (stmt.isEmpty())
            return;
        auto m = setTerm.match(stmt);
        if (m.hasMatch())
            term = m.captured(1);
        else
            out << stmt;
    };

    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text, a doubled quote inside it being two quoted runs.
            qsizetype j = t.indexOf(c, i + 1);
            if (j < 0)
                j = n - 1;
            current += QStringView(t).mid(i, j - i + 1);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && t[i + 1] == QLatin1Char('-')) {
            qsizetype j = t.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            current += QLatin1Char('\n');
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && t[i + 1] == QLatin1Char('*')) {
            qsizetype j = t.indexOf(QLatin1String("*/"), i + 2);
            i = j < 0 ? n : j + 1;
            current += QLatin1Char(' ');
        } else if (startsWithAt(t, i, term)) {
            finish();
            i += term.size() - 1;
        } else {
            current += c;
        }
    }
    finish();
    return out;
}

void runScript(fb::Database& db, const QString& sqlText)
{
    static const QRegularExpression isqlOnly(
        QStringLiteral("^(SET\\s+(SQL\\s+DIALECT|NAMES|AUTODDL)\\b.*|COMMIT(\\s+WORK)?)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    for (const QString& stmt : splitScript(sqlText)) {
        if (!isqlOnly.match(stmt).hasMatch())
            db.executeImmediate(stmt);
        db.transaction().commitRetaining();
    }
}

void createEnterprise(const QString& path, bool forcedWrites)
{
    createFrom(path, enterpriseScript(), forcedWrites);
}

void createPrice(const QString& path, bool forcedWrites)
{
    createFrom(path, priceScript(), forcedWrites);
}

} // namespace db
