#include "bench/RawClient.h"

#include "bench/Bench.h"
#include "platform/Cp1251.h"

#include <QFile>
#include <QRegularExpression>

#include <cstring>

namespace bench {

using namespace Firebird;

namespace {

IMaster* master()
{
    static IMaster* m = fb_get_master_interface();
    return m;
}

constexpr unsigned kText = 452, kVarying = 448, kShort = 500, kLong = 496, kDouble = 480, kInt64 = 580;

template <class F>
auto guardedCall(const char* what, F&& f)
{
    try {
        return f();
    } catch (const FbException& e) {
        char buf[1024];
        master()->getUtilInterface()->formatStatus(buf, sizeof buf, e.getStatus());
        die(QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(buf)));
    }
}

} // namespace

namespace {
const QRegularExpression kParameter(QStringLiteral(":([A-Za-z_][A-Za-z0-9_$]*)"));
}

QByteArray positionalText(const QStringList& lines)
{
    QString text = lines.join(QLatin1Char('\n'));
    text.replace(kParameter, QStringLiteral("?"));
    return text.toLatin1();
}

QStringList parameterNames(const QStringList& lines)
{
    QStringList out;
    for (const QRegularExpressionMatch& m : kParameter.globalMatch(lines.join(QLatin1Char('\n'))))
        out << m.captured(1);
    return out;
}

RawDb::RawDb(const QString& path) : st(master()->getStatus())
{
    guardedCall("attach", [&] {
        IXpbBuilder* dpb = master()->getUtilInterface()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&st, isc_dpb_lc_ctype, "WIN1251");
        dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&st, isc_dpb_password, "masterkey");
        const QByteArray file = QFile::encodeName(path);
        att = master()->getDispatcher()->attachDatabase(&st, file.constData(), dpb->getBufferLength(&st),
                                                        dpb->getBuffer(&st));
        dpb->dispose();
        const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_nowait, isc_tpb_rec_version,
                                     isc_tpb_read_committed};
        tra = att->startTransaction(&st, sizeof tpb, tpb);
        return 0;
    });
}

PageCounts RawDb::pageCounts()
{
    return guardedCall("info", [&] {
        const unsigned char items[] = {isc_info_reads, isc_info_fetches, isc_info_end};
        unsigned char buf[64] = {};
        att->getInfo(&st, sizeof items, items, sizeof buf, buf);
        PageCounts c;
        for (const unsigned char* p = buf; *p != isc_info_end && p < buf + sizeof buf;) {
            const unsigned char item = *p++;
            const int len = p[0] | (p[1] << 8);
            p += 2;
            qint64 v = 0;
            for (int i = len - 1; i >= 0; --i)
                v = (v << 8) | p[i];
            p += len;
            (item == isc_info_reads ? c.reads : c.fetches) = v;
        }
        return c;
    });
}

RawDb::~RawDb()
{
    try {
        if (tra)
            tra->rollback(&st);
        if (att)
            att->detach(&st);
    } catch (const FbException&) {
    }
    st.dispose();
}

RawStatement::RawStatement(RawDb& db, const QByteArray& sql) : db_(db)
{
    guardedCall("prepare", [&] {
        stmt_ = db_.att->prepare(&db_.st, db_.tra, unsigned(sql.size()), sql.constData(), 1,
                                 IStatement::PREPARE_PREFETCH_METADATA);
        in_ = stmt_->getInputMetadata(&db_.st);
        out_ = stmt_->getOutputMetadata(&db_.st);
        auto describe = [&](IMessageMetadata* m, std::vector<Slot>& into) {
            for (unsigned i = 0; i < m->getCount(&db_.st); ++i)
                into.push_back({m->getType(&db_.st, i), m->getOffset(&db_.st, i), m->getNullOffset(&db_.st, i),
                                m->getLength(&db_.st, i), QByteArray(m->getAlias(&db_.st, i))});
        };
        describe(in_, inSlots_);
        describe(out_, outSlots_);
        inBuf_.assign(in_->getMessageLength(&db_.st), 0);
        outBuf_.assign(out_->getMessageLength(&db_.st), 0);
        return 0;
    });
}

RawStatement::~RawStatement()
{
    try {
        if (stmt_)
            stmt_->free(&db_.st);
    } catch (const FbException&) {
    }
    if (in_)
        in_->release();
    if (out_)
        out_->release();
}

void RawStatement::setNull(unsigned i)
{
    *reinterpret_cast<short*>(&inBuf_[inSlots_.at(i).nullOffset]) = -1;
}

void RawStatement::setInt(unsigned i, int v)
{
    const Slot& s = inSlots_.at(i);
    *reinterpret_cast<short*>(&inBuf_[s.nullOffset]) = 0;
    if (s.type == kLong) {
        const ISC_LONG x = v;
        std::memcpy(&inBuf_[s.offset], &x, sizeof x);
    } else if (s.type == kInt64) {
        const ISC_INT64 x = v;
        std::memcpy(&inBuf_[s.offset], &x, sizeof x);
    } else if (s.type == kShort) {
        const short x = short(v);
        std::memcpy(&inBuf_[s.offset], &x, sizeof x);
    } else if (s.type == kDouble) {
        const double x = v;
        std::memcpy(&inBuf_[s.offset], &x, sizeof x);
    } else {
        die(QStringLiteral("parameter %1 takes no integer").arg(i));
    }
}

void RawStatement::setText(unsigned i, const QByteArray& bytes)
{
    const Slot& s = inSlots_.at(i);
    *reinterpret_cast<short*>(&inBuf_[s.nullOffset]) = 0;
    if (unsigned(bytes.size()) > s.length) {
        setNull(i); // as the program does: too long to match anything
        return;
    }
    if (s.type == kVarying) {
        const auto len = static_cast<unsigned short>(bytes.size());
        std::memcpy(&inBuf_[s.offset], &len, sizeof len);
        std::memcpy(&inBuf_[s.offset + sizeof len], bytes.constData(), size_t(bytes.size()));
    } else if (s.type == kText) {
        std::memset(&inBuf_[s.offset], ' ', s.length);
        std::memcpy(&inBuf_[s.offset], bytes.constData(), size_t(bytes.size()));
    } else {
        die(QStringLiteral("parameter %1 takes no text").arg(i));
    }
}

QString RawStatement::plan()
{
    return guardedCall("plan", [&] { return QString::fromLatin1(stmt_->getPlan(&db_.st, false)).trimmed(); });
}

unsigned RawStatement::column(const char* name) const
{
    for (size_t i = 0; i < outSlots_.size(); ++i)
        if (outSlots_[i].name == name)
            return unsigned(i);
    die(QStringLiteral("no column %1").arg(QLatin1String(name)));
}

bool RawStatement::isNull(unsigned c) const
{
    return *reinterpret_cast<const short*>(&outBuf_[outSlots_.at(c).nullOffset]) != 0;
}

int RawStatement::intAt(unsigned c) const
{
    const Slot& s = outSlots_.at(c);
    if (s.type == kShort) {
        short x;
        std::memcpy(&x, &outBuf_[s.offset], sizeof x);
        return x;
    }
    ISC_LONG x;
    std::memcpy(&x, &outBuf_[s.offset], sizeof x);
    return x;
}

double RawStatement::doubleAt(unsigned c) const
{
    const Slot& s = outSlots_.at(c);
    double x;
    std::memcpy(&x, &outBuf_[s.offset], sizeof x);
    return x;
}

std::string_view RawStatement::textAt(unsigned c) const
{
    const Slot& s = outSlots_.at(c);
    const auto* at = reinterpret_cast<const char*>(&outBuf_[s.offset]);
    if (s.type == kVarying) {
        unsigned short len;
        std::memcpy(&len, at, sizeof len);
        return {at + sizeof len, len};
    }
    return {at, s.length};
}

int partCount(RawDb& db)
{
    RawStatement total(db, "select count(*) from PART");
    int parts = 0;
    total.run([&](const RawStatement& r) { parts = r.intAt(0); });
    return parts;
}

int pageBuffers(RawDb& db)
{
    RawStatement q(db, "select MON$PAGE_BUFFERS from MON$DATABASE");
    int pages = 0;
    q.run([&](const RawStatement& r) { pages = r.intAt(0); });
    return pages;
}

QString uniqueNumber(RawDb& db)
{
    const int parts = partCount(db);
    RawStatement codes(db, "select ID, MANUFACTURECODE from PART where ID >= ? order by ID rows 5000");
    codes.setInt(0, parts / 2);
    RawStatement matches(db, "select count(*) from PART where MANUFACTURECODE like ? or NUMBER like ? or REMARK like ?");
    RawStatement crosses(db, "select count(*) from PART p join PART q on q.NUMBER = p.NUMBER where p.ID = ?");
    RawStatement income(db, "select sum(COUNTS) from DOCPARTS where IDPART = ? and DIRECTION = 1");
    std::vector<std::pair<int, QByteArray>> list;
    codes.run([&](const RawStatement& r) { list.emplace_back(r.intAt(0), QByteArray(r.textAt(1).data(), qsizetype(r.textAt(1).size()))); });
    for (const auto& [id, code] : list) {
        int n = 0;
        for (unsigned i = 0; i < 3; ++i)
            matches.setText(i, '%' + code + '%');
        matches.run([&](const RawStatement& r) { n = r.intAt(0); });
        if (n != 1)
            continue;
        crosses.setInt(0, id);
        crosses.run([&](const RawStatement& r) { n = r.intAt(0); });
        if (n < 2)
            continue;
        double in = 0;
        income.setInt(0, id);
        income.run([&](const RawStatement& r) { in = r.isNull(0) ? 0 : r.doubleAt(0); });
        if (in > 0)
            return platform::fromCp1251(code);
    }
    die(QStringLiteral("no part found alone by its maker's number"));
}

} // namespace bench
