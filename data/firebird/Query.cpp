#include "data/firebird/Query.h"

#include "data/firebird/Client.h"
#include "data/firebird/Database.h"
#include "data/firebird/Transaction.h"
#include "platform/Cp1251.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

#include <cmath>
#include <cstring>

namespace fb {

using namespace Firebird;

namespace {

constexpr unsigned kText = 452, kVarying = 448, kShort = 500, kLong = 496, kFloat = 482, kDouble = 480,
                   kDFloat = 530, kTimestamp = 510, kBlob = 520, kDate = 570, kTime = 560, kInt64 = 580;

bool isNumeric(unsigned t)
{
    return t == kShort || t == kLong || t == kInt64 || t == kFloat || t == kDouble || t == kDFloat;
}

bool compatible(ColumnType declared, unsigned t, int scale)
{
    switch (declared) {
    case ColumnType::Integer:
    case ColumnType::SmallInt:
        return (t == kShort || t == kLong || t == kInt64) && scale == 0;
    case ColumnType::Double:
        return isNumeric(t);
    case ColumnType::Timestamp:
        return t == kTimestamp || t == kDate;
    case ColumnType::Text:
        return t == kText || t == kVarying;
    case ColumnType::TextBlob:
        return t == kBlob;
    }
    return false;
}

double scaled(double v, int scale)
{
    return scale == 0 ? v : v * std::pow(10.0, scale);
}

QDateTime fromTimestamp(ISC_DATE date, ISC_TIME time)
{
    QDate d = QDate::fromJulianDay(static_cast<qint64>(date) + 2400001);
    QTime t = QTime::fromMSecsSinceStartOfDay(static_cast<int>(time / 10));
    return QDateTime(d, t);
}

void toTimestamp(const QDateTime& dt, ISC_DATE* date, ISC_TIME* time)
{
    *date = static_cast<ISC_DATE>(dt.date().toJulianDay() - 2400001);
    *time = static_cast<ISC_TIME>(dt.time().msecsSinceStartOfDay()) * 10;
}

QString trimmedRight(const char* p, qsizetype n)
{
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return platform::fromCp1251(p, n);
}

const Value kNull{};

} // namespace

// ---- Field ---------------------------------------------------------------

const Value& Field::value() const
{
    return v_ ? *v_ : kNull;
}

QString Field::asString() const
{
    if (isNull())
        return {};
    const Value& v = *v_;
    if (auto s = std::get_if<QString>(&v))
        return *s;
    if (auto i = std::get_if<qint32>(&v))
        return QString::number(*i);
    if (auto d = std::get_if<double>(&v))
        return platform::formatGeneral(*d, platform::Regional::current().decimalSeparator);
    if (auto t = std::get_if<QDateTime>(&v))
        return t->toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return {};
}

qint32 Field::asInteger() const
{
    if (isNull())
        return 0;
    const Value& v = *v_;
    if (auto i = std::get_if<qint32>(&v))
        return *i;
    if (auto d = std::get_if<double>(&v))
        return static_cast<qint32>(std::llround(*d));
    if (auto s = std::get_if<QString>(&v)) {
        int out = 0;
        if (!platform::parseInteger(*s, &out))
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(*s));
        return out;
    }
    return 0;
}

double Field::asDouble() const
{
    if (isNull())
        return 0;
    const Value& v = *v_;
    if (auto d = std::get_if<double>(&v))
        return *d;
    if (auto i = std::get_if<qint32>(&v))
        return *i;
    if (auto s = std::get_if<QString>(&v)) {
        double out = 0;
        if (!platform::parseDecimal(*s, platform::Regional::current().decimalSeparator, &out))
            throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(*s));
        return out;
    }
    return 0;
}

QDateTime Field::asDateTime() const
{
    if (isNull())
        return {};
    if (auto t = std::get_if<QDateTime>(v_))
        return *t;
    return {};
}

// ---- Query ---------------------------------------------------------------

Query::Query(Database& db, QString name, QStringList sql, std::vector<ColumnDef> columns, QObject* parent)
    : QObject(parent), db_(db), name_(std::move(name))
{
    db_.attachQuery(this);
    declare(std::move(columns));
    setSQL(sql);
}

Query::~Query()
{
    release();
    db_.detachQuery(this);
}

void Query::setSQL(const QStringList& lines)
{
    if (open_)
        close();
    if (stmt_)
        release();
    sql_ = lines;
    parseText();
}

void Query::declare(std::vector<ColumnDef> columns)
{
    columns_ = std::move(columns);
    bindings_.clear();
}

int Query::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

// Every ":Name" outside quotes and comments becomes "?"; the server has no
// named parameters.
void Query::parseText()
{
    const QString text = statementText();
    QString out;
    out.reserve(text.size());
    QStringList names;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype j = text.indexOf(c, i + 1);
            if (j < 0)
                j = n - 1;
            out += text.mid(i, j - i + 1);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && text[i + 1] == QLatin1Char('-')) {
            qsizetype j = text.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out += text.mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*')) {
            qsizetype j = text.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += text.mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char(':') && i + 1 < n &&
                   (text[i + 1].isLetter() || text[i + 1] == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_') || text[j] == QLatin1Char('$')))
                ++j;
            names << text.mid(i + 1, j - i - 1);
            out += QLatin1Char('?');
            i = j - 1;
        } else {
            out += c;
        }
    }
    rewritten_ = out;
    paramNames_ = names;
    params_.assign(static_cast<size_t>(names.size()), Value{});
}

void Query::setParam(const QString& name, const Value& v)
{
    bool found = false;
    for (qsizetype i = 0; i < paramNames_.size(); ++i)
        if (paramNames_[i].compare(name, Qt::CaseInsensitive) == 0) {
            params_[static_cast<size_t>(i)] = v;
            found = true;
        }
    if (!found)
        throw Error(QStringLiteral("%1: parameter %2 not found").arg(name_, name));
}

void Query::setParamAt(int position, const Value& v)
{
    if (position < 0 || position >= static_cast<int>(params_.size()))
        throw Error(QStringLiteral("%1: parameter index %2 out of range").arg(name_).arg(position));
    params_[static_cast<size_t>(position)] = v;
}

void Query::fail(const QString& what) const
{
    throw Error(QStringLiteral("%1: %2").arg(name_, what));
}

void Query::recovering(const std::function<void()>& body)
{
    const Database::Recovery& recover = db_.recovery();
    // A connection already known lost is connected again first: what is sent
    // on it cannot arrive.
    if (db_.lost() && recover)
        recover(*this, false);
    try {
        body();
        return;
    } catch (const Error& e) {
        db_.noteFailure(e);
        if (!e.connectionLost() || !db_.connected() || !recover || !recover(*this, true))
            throw;
    }
    body();
}

void Query::prepare()
{
    recovering([this] { prepareStatement(); });
}

void Query::prepareStatement()
{
    if (stmt_)
        return;
    if (!db_.connected())
        throw Error(QStringLiteral("Database %1 is not open").arg(db_.databaseName()));
    QByteArray text = platform::toCp1251(rewritten_);
    ITransaction* tra = db_.transaction().handle();
    IStatement* stmt = nullptr;
    call([&](ThrowStatusWrapper& st) {
        stmt = db_.attachment()->prepare(&st, tra, static_cast<unsigned>(text.size()), text.constData(),
                                         static_cast<unsigned>(db_.params().dialect),
                                         IStatement::PREPARE_PREFETCH_METADATA);
    });
    try {
        call([&](ThrowStatusWrapper& st) {
            stmtType_ = stmt->getType(&st);
            inMeta_ = stmt->getInputMetadata(&st);
            outMeta_ = stmt->getOutputMetadata(&st);
            unsigned inCount = inMeta_->getCount(&st);
            inParams_.assign(inCount, {});
            for (unsigned i = 0; i < inCount; ++i) {
                InParam& p = inParams_[i];
                p.type = inMeta_->getType(&st, i);
                p.offset = inMeta_->getOffset(&st, i);
                p.nullOffset = inMeta_->getNullOffset(&st, i);
                p.length = inMeta_->getLength(&st, i);
                p.scale = inMeta_->getScale(&st, i);
            }
            inBuf_.assign(inMeta_->getMessageLength(&st), 0);
            outBuf_.assign(outMeta_->getMessageLength(&st), 0);
        });
        if (inParams_.size() != params_.size())
            fail(QStringLiteral("the statement has %1 parameters, the text %2")
                     .arg(inParams_.size())
                     .arg(params_.size()));
        stmt_ = stmt;
        checkColumns(outMeta_);
    } catch (...) {
        if (!stmt_)
            stmt->release();
        release();
        throw;
    }
}

QString Query::plan()
{
    prepare();
    QString out;
    call([&](ThrowStatusWrapper& st) { out = QString::fromLatin1(stmt_->getPlan(&st, false)); });
    return out.trimmed();
}

void Query::checkColumns(IMessageMetadata* out)
{
    std::vector<QString> names;
    std::vector<unsigned> types;
    std::vector<int> scales;
    std::vector<Binding> all;
    call([&](ThrowStatusWrapper& st) {
        unsigned count = out->getCount(&st);
        for (unsigned i = 0; i < count; ++i) {
            // Duplicate names of a join come back with 1, 2, ... appended.
            QString name = platform::fromCp1251(QByteArray(out->getAlias(&st, i))).toUpper();
            QString unique = name;
            for (int k = 1; std::find(names.begin(), names.end(), unique) != names.end(); ++k)
                unique = name + QString::number(k);
            names.push_back(unique);
            Binding b;
            b.result = static_cast<int>(i);
            b.type = out->getType(&st, i);
            b.offset = out->getOffset(&st, i);
            b.nullOffset = out->getNullOffset(&st, i);
            b.length = out->getLength(&st, i);
            b.scale = out->getScale(&st, i);
            all.push_back(b);
        }
    });
    bindings_.clear();
    scales_.clear();
    for (const ColumnDef& def : columns_) {
        QString want = def.name.toUpper();
        auto it = std::find(names.begin(), names.end(), want);
        if (it == names.end())
            fail(QStringLiteral("column %1 not found").arg(def.name));
        const Binding& b = all[static_cast<size_t>(it - names.begin())];
        if (def.checkType && !compatible(def.type, b.type, b.scale))
            fail(QStringLiteral("column %1 has an incompatible type").arg(def.name));
        bindings_.push_back(b);
        scales_.push_back(b.scale);
    }
}

void Query::bindParams(unsigned char* buf)
{
    for (size_t i = 0; i < inParams_.size(); ++i) {
        const InParam& p = inParams_[i];
        const Value& v = params_[i];
        auto* nul = reinterpret_cast<short*>(buf + p.nullOffset);
        unsigned char* at = buf + p.offset;
        *nul = 0;
        if (isNull(v)) {
            *nul = -1;
            continue;
        }
        auto asDouble = [&]() -> double {
            if (auto d = std::get_if<double>(&v))
                return *d;
            if (auto n = std::get_if<qint32>(&v))
                return *n;
            if (auto s = std::get_if<QString>(&v)) {
                double out = 0;
                if (platform::parseDecimal(*s, QLatin1Char('.'), &out))
                    return out;
                fail(QStringLiteral("'%1' is not a valid floating point value").arg(*s));
            }
            fail(QStringLiteral("parameter %1 has an unusable value").arg(i));
        };
        switch (p.type) {
        case kText:
        case kVarying: {
            QString s;
            if (auto str = std::get_if<QString>(&v))
                s = *str;
            else if (auto n = std::get_if<qint32>(&v))
                s = QString::number(*n);
            else if (auto d = std::get_if<double>(&v))
                s = platform::formatGeneral(*d, QLatin1Char('.'));
            QByteArray bytes = platform::toCp1251(s);
            if (static_cast<unsigned>(bytes.size()) > p.length) {
                // A value to store must not be lost: refuse it.
                if (stmtType_ != isc_info_sql_stmt_select)
                    fail(QStringLiteral("текст «%1» длиннее допустимых %2 символов").arg(s).arg(p.length));
                // Longer than the column it is compared with: no value of
                // that column can equal or match it, so it matches nothing
                // instead of failing with a truncation error.
                *nul = -1;
                break;
            }
            if (p.type == kVarying) {
                auto len = static_cast<unsigned short>(bytes.size());
                std::memcpy(at, &len, sizeof len);
                std::memcpy(at + sizeof len, bytes.constData(), static_cast<size_t>(bytes.size()));
            } else {
                std::memset(at, ' ', p.length);
                std::memcpy(at, bytes.constData(), static_cast<size_t>(bytes.size()));
            }
            break;
        }
        case kShort: {
            auto x = static_cast<short>(std::llround(asDouble() / std::pow(10.0, p.scale)));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case kLong: {
            auto x = static_cast<ISC_LONG>(std::llround(asDouble() / std::pow(10.0, p.scale)));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case kInt64: {
            auto x = static_cast<ISC_INT64>(std::llround(asDouble() / std::pow(10.0, p.scale)));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case kFloat: {
            auto x = static_cast<float>(asDouble());
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case kDouble:
        case kDFloat: {
            double x = asDouble();
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case kTimestamp: {
            auto dt = std::get_if<QDateTime>(&v);
            if (!dt)
                fail(QStringLiteral("parameter %1 needs a date and time").arg(i));
            ISC_TIMESTAMP ts;
            toTimestamp(*dt, &ts.timestamp_date, &ts.timestamp_time);
            std::memcpy(at, &ts, sizeof ts);
            break;
        }
        default:
            fail(QStringLiteral("parameter %1 has an unsupported type").arg(i));
        }
    }
}

void Query::decodeRow(const unsigned char* buf)
{
    for (const Binding& b : bindings_) {
        if (*reinterpret_cast<const short*>(buf + b.nullOffset) != 0) {
            cells_.emplace_back();
            continue;
        }
        const unsigned char* at = buf + b.offset;
        switch (b.type) {
        case kVarying: {
            unsigned short len;
            std::memcpy(&len, at, sizeof len);
            cells_.emplace_back(trimmedRight(reinterpret_cast<const char*>(at + sizeof len), len));
            break;
        }
        case kText:
            cells_.emplace_back(trimmedRight(reinterpret_cast<const char*>(at), b.length));
            break;
        case kShort: {
            short x;
            std::memcpy(&x, at, sizeof x);
            if (b.scale == 0)
                cells_.emplace_back(static_cast<qint32>(x));
            else
                cells_.emplace_back(scaled(x, b.scale));
            break;
        }
        case kLong: {
            ISC_LONG x;
            std::memcpy(&x, at, sizeof x);
            if (b.scale == 0)
                cells_.emplace_back(static_cast<qint32>(x));
            else
                cells_.emplace_back(scaled(x, b.scale));
            break;
        }
        case kInt64: {
            ISC_INT64 x;
            std::memcpy(&x, at, sizeof x);
            cells_.emplace_back(scaled(static_cast<double>(x), b.scale));
            break;
        }
        case kFloat: {
            float x;
            std::memcpy(&x, at, sizeof x);
            cells_.emplace_back(static_cast<double>(x));
            break;
        }
        case kDouble:
        case kDFloat: {
            double x;
            std::memcpy(&x, at, sizeof x);
            cells_.emplace_back(x);
            break;
        }
        case kTimestamp: {
            ISC_TIMESTAMP ts;
            std::memcpy(&ts, at, sizeof ts);
            cells_.emplace_back(fromTimestamp(ts.timestamp_date, ts.timestamp_time));
            break;
        }
        case kDate: {
            ISC_DATE d;
            std::memcpy(&d, at, sizeof d);
            cells_.emplace_back(fromTimestamp(d, 0));
            break;
        }
        case kTime: {
            ISC_TIME t;
            std::memcpy(&t, at, sizeof t);
            cells_.emplace_back(QDateTime(QDate(1899, 12, 30), QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / 10))));
            break;
        }
        default:
            // Blobs and other types nobody reads here: present but empty.
            cells_.emplace_back(QString());
            break;
        }
    }
}

void Query::run(bool expectCursor)
{
    if (open_)
        close();
    prepareStatement();
    ITransaction* tra = db_.transaction().handle();
    bindParams(inBuf_.data());
    cells_.clear();
    rows_ = 0;
    affected_ = 0;
    unsigned char* inBuf = inBuf_.data();
    if (expectCursor && stmtType_ == isc_info_sql_stmt_select) {
        call([&](ThrowStatusWrapper& st) {
            IResultSet* rs = stmt_->openCursor(&st, tra, inMeta_, inBuf, outMeta_, 0);
            try {
                while (rs->fetchNext(&st, outBuf_.data()) == IStatus::RESULT_OK) {
                    decodeRow(outBuf_.data());
                    ++rows_;
                }
                rs->close(&st);
            } catch (...) {
                rs->release();
                throw;
            }
        });
    } else {
        bool outputs = !bindings_.empty();
        call([&](ThrowStatusWrapper& st) {
            stmt_->execute(&st, tra, inMeta_, inBuf, outputs ? outMeta_ : nullptr,
                           outputs ? outBuf_.data() : nullptr);
            affected_ = stmt_->getAffectedRecords(&st);
        });
        if (outputs) {
            decodeRow(outBuf_.data());
            rows_ = 1;
        }
    }
    open_ = true;
    cur_ = rows_ > 0 ? 0 : -1;
    emit opened();
    emit currentRowChanged(cur_);
}

void Query::open()
{
    recovering([this] { run(true); });
}

void Query::execute()
{
    recovering([this] { run(false); });
}

void Query::close()
{
    if (!open_)
        return;
    open_ = false;
    // The row store keeps its room: the statement's next run, which usually
    // follows at once, fills it again without growing and faulting it in anew.
    cells_.clear();
    rows_ = 0;
    cur_ = -1;
    emit closed();
    emit currentRowChanged(-1);
}

void Query::release()
{
    close();
    std::vector<Value>().swap(cells_);
    if (stmt_) {
        IStatement* s = stmt_;
        stmt_ = nullptr;
        try {
            call([&](ThrowStatusWrapper& st) { s->free(&st); });
        } catch (const Error& e) {
            db_.noteFailure(e);
            s->release();
        }
    }
    forgetStatement();
    bindings_.clear();
}

void Query::forgetStatement()
{
    if (stmt_) {
        stmt_->release();
        stmt_ = nullptr;
    }
    if (inMeta_) {
        inMeta_->release();
        inMeta_ = nullptr;
    }
    if (outMeta_) {
        outMeta_->release();
        outMeta_ = nullptr;
    }
}

bool Query::next()
{
    if (!open_ || cur_ + 1 >= rows_)
        return false;
    moveTo(cur_ + 1);
    return true;
}

bool Query::prior()
{
    if (!open_ || cur_ <= 0)
        return false;
    moveTo(cur_ - 1);
    return true;
}

void Query::moveTo(int row)
{
    if (!open_ || rows_ == 0)
        return;
    row = std::clamp(row, 0, rows_ - 1);
    if (row == cur_)
        return;
    cur_ = row;
    emit currentRowChanged(cur_);
}

Field Query::field(const QString& name) const
{
    int c = columnIndex(name);
    if (c < 0)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    if (!hasRow())
        return Field(nullptr, &columns_[static_cast<size_t>(c)], 0);
    return fieldAt(cur_, c);
}

Field Query::fieldAt(int row, int column) const
{
    return Field(&value(row, column), &columns_[static_cast<size_t>(column)],
                 column < static_cast<int>(scales_.size()) ? scales_[static_cast<size_t>(column)] : 0);
}

const Value& Query::value(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= static_cast<int>(columns_.size()))
        return kNull;
    return cells_[static_cast<size_t>(row) * columns_.size() + static_cast<size_t>(column)];
}

void Query::replaceRow(int row, std::vector<Value> values)
{
    values.resize(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c)
        cells_[static_cast<size_t>(row) * columns_.size() + c] = std::move(values[c]);
    emit rowsChanged();
}

void Query::insertRow(int row, std::vector<Value> values)
{
    values.resize(columns_.size());
    auto at = cells_.begin() + static_cast<qsizetype>(row) * static_cast<qsizetype>(columns_.size());
    cells_.insert(at, std::make_move_iterator(values.begin()), std::make_move_iterator(values.end()));
    ++rows_;
    open_ = true;
    emit rowsChanged();
}

void Query::removeRow(int row)
{
    auto at = cells_.begin() + static_cast<qsizetype>(row) * static_cast<qsizetype>(columns_.size());
    cells_.erase(at, at + static_cast<qsizetype>(columns_.size()));
    --rows_;
    if (cur_ >= rows_)
        cur_ = rows_ - 1;
    emit rowsChanged();
    emit currentRowChanged(cur_);
}

} // namespace fb
