#pragma once

// The floor: statements sent through the client library's object API with
// nothing of the program around them. Each statement is prepared once; a
// run binds the parameters, opens the cursor and fetches every row into the
// one message buffer, decoding nothing the caller does not ask for.

#include <firebird/Interface.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace bench {

// The statement text as the server takes it: every ":Name" becomes "?".
// (The program's statements hold no comments, and no quoted text with a colon.)
QByteArray positionalText(const QStringList& lines);
// The names of those parameters, in the order of the "?".
QStringList parameterNames(const QStringList& lines);

// Pages the engine read from the file (reads) and from its own cache
// (fetches) since the attachment began.
struct PageCounts {
    qint64 reads = 0;
    qint64 fetches = 0;
};

// One embedded connection as the program makes it: WIN1251, dialect 1, and a
// read-only read-committed transaction.
class RawDb {
public:
    explicit RawDb(const QString& path);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    PageCounts pageCounts();

    Firebird::IAttachment* att = nullptr;
    Firebird::ITransaction* tra = nullptr;
    Firebird::ThrowStatusWrapper st;
};

class RawStatement {
public:
    RawStatement(RawDb& db, const QByteArray& sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    void setNull(unsigned i);
    void setInt(unsigned i, int v);
    void setText(unsigned i, const QByteArray& cp1251);

    // Opens the cursor and fetches every row; row() sees each one while it
    // is in the buffer. Returns the number of rows.
    template <class F>
    int run(F&& row)
    {
        Firebird::IResultSet* rs = stmt_->openCursor(&db_.st, db_.tra, in_, inBuf_.data(), out_, 0);
        int n = 0;
        while (rs->fetchNext(&db_.st, outBuf_.data()) == Firebird::IStatus::RESULT_OK) {
            row(*this);
            ++n;
        }
        rs->close(&db_.st);
        return n;
    }
    int run()
    {
        return run([](const RawStatement&) {});
    }

    // The engine's plan, one line per query block.
    QString plan();

    // A result column by its name.
    unsigned column(const char* name) const;

    // Columns of the row in the buffer.
    bool isNull(unsigned c) const;
    int intAt(unsigned c) const;
    double doubleAt(unsigned c) const;
    std::string_view textAt(unsigned c) const; // trailing blanks kept

private:
    struct Slot {
        unsigned type = 0, offset = 0, nullOffset = 0, length = 0;
        QByteArray name;
    };
    RawDb& db_;
    Firebird::IStatement* stmt_ = nullptr;
    Firebird::IMessageMetadata* in_ = nullptr;
    Firebird::IMessageMetadata* out_ = nullptr;
    std::vector<Slot> inSlots_, outSlots_;
    std::vector<unsigned char> inBuf_, outBuf_;
};

// The number of parts.
int partCount(RawDb& db);
// Pages in the database's page cache.
int pageBuffers(RawDb& db);

// A maker's number that the search finds alone, of a part with stock and
// cross numbers, so the lookup takes its whole path. The same one every run
// of the same database: the first such part from the middle of the table on.
QString uniqueNumber(RawDb& db);

} // namespace bench
