#include "lookup/HistoryFile.h"
#include "platform/Failure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using lookup::HistoryFile;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(path);
    QVERIFY(f.open(mode));
    QCOMPARE(f.write(bytes), bytes.size());
}

quint64 inode([[maybe_unused]] const QString& path)
{
#ifndef Q_OS_WIN
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return st.st_ino;
#endif
    return 0;
}

QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const platform::Failure& failure) {
        return failure.text();
    }
    return QStringLiteral("<no failure>");
}

} // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("SearchedNum.log")); }
    QString quoted(const QString& p) const { return QLatin1Char('"') + QDir::toNativeSeparators(p) + QLatin1Char('"'); }

private slots:
    void init()
    {
        QFile::remove(path());
        QDir(path()).removeRecursively();
    }

    void splitsAtEveryKindOfLineEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("lf, cr, tail") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("empty line kept") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("cp1251") << QByteArray("09.12.2024 \xcd\xee\xec\xe5\xf0\r\n")
                                << QStringList{QStringLiteral("09.12.2024 Номер")};
    }
    void splitsAtEveryKindOfLineEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(lookup::splitHistoryLines(bytes), lines);
        QCOMPARE(lookup::joinHistoryLines({QStringLiteral("a"), QString(), QStringLiteral("Б")}),
                 QByteArray("a\r\n\r\n\xc1\r\n"));
    }

    void historyLineLeavesOutMidnight()
    {
        platform::Regional r;
        r.shortDateFormat = QStringLiteral("dd.MM.yyyy");
        r.longTimeFormat = QStringLiteral("H:mm:ss");
        const QDate day(2024, 12, 9);
        QCOMPARE(lookup::historyLine(QDateTime(day, QTime(0, 0, 0, 500)), QStringLiteral("A1"), r),
                 QStringLiteral("09.12.2024 A1"));
        QCOMPARE(lookup::historyLine(QDateTime(day, QTime(0, 0, 1)), QStringLiteral("A1"), r),
                 QStringLiteral("09.12.2024 0:00:01 A1"));
        // the number goes in as typed, blanks and all
        QCOMPARE(lookup::historyLine(QDateTime(day, QTime(14, 5, 9, 999)), QStringLiteral(" 0986 "), r),
                 QStringLiteral("09.12.2024 14:05:09  0986 "));
    }

    void firstSearchCreatesTheFile()
    {
        QVERIFY(HistoryFile::readForView(path()).isEmpty());
        HistoryFile history(path());
        history.load();
        QVERIFY(history.lines().isEmpty() && !QFile::exists(path()));
        history.append(QStringLiteral("09.12.2024 10:00:00 Фильтр"));
        QCOMPARE(readBytes(path()), QByteArray("09.12.2024 10:00:00 \xd4\xe8\xeb\xfc\xf2\xf0\r\n"));
        QCOMPARE(HistoryFile::readForView(path()), history.lines());
    }

    void appendsToItsOwnFileInPlace()
    {
        writeBytes(path(), "one\r\n\r\ntwo\r\n");
        const quint64 before = inode(path());
        HistoryFile history(path());
        history.load();
        QCOMPARE(history.lines(), (QStringList{"one", "", "two"}));
        history.append(QStringLiteral("three"));
        history.append(QStringLiteral("four"));
        QCOMPARE(readBytes(path()), QByteArray("one\r\n\r\ntwo\r\nthree\r\nfour\r\n"));
        QCOMPARE(history.lines(), (QStringList{"one", "", "two", "three", "four"}));
        QCOMPARE(inode(path()), before); // grown, not replaced by a rewritten copy
    }

    void rewritesForeignLineEndsAsCrLf()
    {
        writeBytes(path(), "one\ntwo\rthree");
        HistoryFile history(path());
        history.load();
        QCOMPARE(history.lines(), (QStringList{"one", "two", "three"}));
        history.append(QStringLiteral("four"));
        history.append(QStringLiteral("five"));
        QCOMPARE(readBytes(path()), QByteArray("one\r\ntwo\r\nthree\r\nfour\r\nfive\r\n"));
    }

    void keepsLinesOthersWroteMeanwhile()
    {
        writeBytes(path(), "mine\r\n");
        HistoryFile history(path());
        history.load();

        // another copy appends in place
        writeBytes(path(), "theirs 1\r\n", QIODevice::WriteOnly | QIODevice::Append);
        history.append(QStringLiteral("mine 2"));
        QCOMPARE(readBytes(path()), QByteArray("mine\r\ntheirs 1\r\nmine 2\r\n"));
        QCOMPARE(history.lines(), (QStringList{"mine", "theirs 1", "mine 2"}));

        // another copy replaces the file with a new one of the same size
        const QString fresh = path() + QStringLiteral(".new");
        writeBytes(fresh, readBytes(path()).replace("mine", "MINE"));
        QFile::remove(path());
        QVERIFY(QFile::rename(fresh, path()));
        history.append(QStringLiteral("mine 3"));
        QCOMPARE(readBytes(path()), QByteArray("MINE\r\ntheirs 1\r\nMINE 2\r\nmine 3\r\n"));
    }

    void unreadableFileIsReportedAndNeverShortened()
    {
        QVERIFY(QDir().mkpath(path())); // exists, but cannot be read as a file
        HistoryFile history(path());
        const QString opening = QStringLiteral("Cannot open file %1. ").arg(quoted(path()));
        QVERIFY(failureOf([&] { history.load(); }).startsWith(opening));
        QVERIFY(history.lines().isEmpty());
        QVERIFY(failureOf([&] { HistoryFile::readForView(path()); }).startsWith(opening));

        // still unreadable at the first save: the save fails, the line waits
        QVERIFY(failureOf([&] { history.append(QStringLiteral("new 1")); }).startsWith(opening));
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(history.lines(), QStringList{"new 1"});

        // readable again: the old lines stay ahead of every waiting one
        QVERIFY(QDir(path()).removeRecursively());
        writeBytes(path(), "old 1\r\nold 2\r\n");
        history.append(QStringLiteral("new 2"));
        QCOMPARE(readBytes(path()), QByteArray("old 1\r\nold 2\r\nnew 1\r\nnew 2\r\n"));
        QCOMPARE(history.lines(), (QStringList{"old 1", "old 2", "new 1", "new 2"}));
    }

    // The start reads no line; whatever happens to the file before the
    // first save, that save leaves the file's lines of that moment, then ours.
    void lazyStartMergesWhatHappenedBeforeTheFirstSave_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("untouched") << "" << QByteArray() << QByteArray("one\r\ntwo\r\nmine\r\n");
        QTest::newRow("another copy appends") << "append" << QByteArray("theirs\r\n")
                                              << QByteArray("one\r\ntwo\r\ntheirs\r\nmine\r\n");
        QTest::newRow("another tool appends LF") << "append" << QByteArray("theirs\n")
                                                 << QByteArray("one\r\ntwo\r\ntheirs\r\nmine\r\n");
        QTest::newRow("replaced, same size, LF") << "replace" << QByteArray("ONE\nTWO\n\n\n")
                                                 << QByteArray("ONE\r\nTWO\r\n\r\n\r\nmine\r\n");
        QTest::newRow("removed") << "remove" << QByteArray() << QByteArray("mine\r\n");
    }
    void lazyStartMergesWhatHappenedBeforeTheFirstSave()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        writeBytes(path(), "one\r\ntwo\r\n");
        HistoryFile history(path());
        history.load();
        if (meanwhile == QLatin1String("append")) {
            writeBytes(path(), bytes, QIODevice::WriteOnly | QIODevice::Append);
        } else if (meanwhile == QLatin1String("replace")) {
            const QString fresh = path() + QStringLiteral(".new");
            writeBytes(fresh, bytes);
            QFile::remove(path());
            QVERIFY(QFile::rename(fresh, path()));
        } else if (meanwhile == QLatin1String("remove")) {
            QVERIFY(QFile::remove(path()));
        }
        history.append(QStringLiteral("mine"));
        QCOMPARE(readBytes(path()), expected);
        QCOMPARE(history.lines(), lookup::splitHistoryLines(expected));
        history.append(QStringLiteral("next"));
        QCOMPARE(readBytes(path()), expected + "next\r\n");
    }

    // The first save tells a file in CR LF form, which it appends to, from any
    // other, which it rewrites, by its bytes alone.
    void firstSaveJudgesTheLineEndsByteByByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("inPlace");
        const qsizetype block = qsizetype(1) << 20; // what the check reads at a time
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("undefined byte kept") << QByteArray("a\x98\r\n") << true;
        QTest::newRow("text after the last end") << QByteArray("a\r\nb") << false;
        QTest::newRow("lone CR at the end") << QByteArray("a\r\n\r") << false;
        QTest::newRow("CR before CR LF") << QByteArray("a\r\r\n") << false;
        QTest::newRow("LF after CR LF") << QByteArray("a\r\n\n") << false;
        QTest::newRow("CR LF across blocks") << QByteArray(block - 1, 'x') + "\r\nz\r\n" << true;
        QTest::newRow("lone CR across blocks") << QByteArray(block - 1, 'x') + "\ra\r\n" << false;
        QTest::newRow("lone LF across blocks") << QByteArray(block, 'x') + "\nz\r\n" << false;
    }
    void firstSaveJudgesTheLineEndsByteByByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, inPlace);
        writeBytes(path(), bytes);
        const quint64 before = inode(path());
        HistoryFile history(path());
        history.load();
        history.append(QStringLiteral("new"));
        const QByteArray after = readBytes(path());
        if (inPlace) {
            QCOMPARE(after, bytes + "new\r\n");
            QCOMPARE(inode(path()), before);
        } else {
            QVERIFY(after == lookup::joinHistoryLines(lookup::splitHistoryLines(bytes) + QStringList{"new"}));
        }
    }

    void fileUnreadableAtTheFirstSaveKeepsItsLines()
    {
        writeBytes(path(), "old\r\n");
        HistoryFile history(path());
        history.load();
        QVERIFY(QFile::remove(path()) && QDir().mkpath(path()));
        QVERIFY(failureOf([&] { history.append(QStringLiteral("new 1")); })
                    .startsWith(QStringLiteral("Cannot open file %1. ").arg(quoted(path()))));
        QCOMPARE(history.lines(), QStringList{"new 1"});

        QVERIFY(QDir(path()).removeRecursively());
        writeBytes(path(), "old\r\nother\n");
        history.append(QStringLiteral("new 2"));
        QCOMPARE(readBytes(path()), QByteArray("old\r\nother\r\nnew 1\r\nnew 2\r\n"));
    }

    void failedSaveKeepsTheLineForTheNextSave()
    {
        const QString folder = dir.filePath(QStringLiteral("not yet"));
        const QString file = folder + QStringLiteral("/SearchedNum.log");
        HistoryFile history(file);
        history.load();
        QVERIFY(failureOf([&] { history.append(QStringLiteral("first")); })
                    .startsWith(QStringLiteral("Cannot create file %1. ").arg(quoted(file))));
        QCOMPARE(history.lines(), QStringList{"first"});

        QVERIFY(QDir().mkpath(folder));
        history.append(QStringLiteral("second"));
        QCOMPARE(readBytes(file), QByteArray("first\r\nsecond\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestHistoryFile)
#include "tst_historyfile.moc"
