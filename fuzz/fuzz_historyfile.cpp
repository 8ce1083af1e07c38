// The search history on arbitrary bytes: the input is the file.
//
// Properties:
// - splitHistoryLines gives the lines a plain reading of its rules gives:
//   CR LF, a lone CR and a lone LF each end a line, text after the last end
//   is a line of its own;
// - joinHistoryLines writes lines that split back to themselves, and a file
//   already in CR LF form is written back byte for byte;
// - HistoryFile gives those lines; append never loses a line that is in the
//   file: a file in CR LF form just grows by the new line, any other is
//   rewritten as its lines plus the new one, in CR LF; lines() and a fresh
//   reading of the file agree, also after someone else wrote to the file,
//   and also for a copy whose start read no line before someone else wrote.

#include "FuzzCheck.h"

#include "lookup/HistoryFile.h"
#include "platform/Cp1251.h"
#include "platform/Failure.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace {

QStringList plainSplit(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    QList<QByteArray> parts = bytes.split('\n');
    if (parts.last().isEmpty()) // nothing after the last line end
        parts.removeLast();
    QStringList lines;
    for (const QByteArray& part : parts)
        lines.append(platform::fromCp1251(part));
    return lines;
}

// Every line end CR LF and nothing after the last one.
bool inCrLfForm(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return bytes.isEmpty() || bytes.endsWith("\r\n");
}

void run(const std::function<void()>& action, const char* what)
{
    try {
        action();
    } catch (const platform::Failure& failure) {
        fuzz::fail(what, failure.what());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = plainSplit(bytes);
    FUZZ_CHECK(lookup::splitHistoryLines(bytes) == lines,
               fuzz::shown(bytes) + " split as " + fuzz::shown(lookup::splitHistoryLines(bytes)) + ", not "
                   + fuzz::shown(lines));

    const QByteArray joined = lookup::joinHistoryLines(lines);
    FUZZ_CHECK(lookup::splitHistoryLines(joined) == fuzz::throughCp1251(lines), fuzz::shown(joined));
    const bool crlf = inCrLfForm(bytes);
    if (crlf && !bytes.contains('\x98'))
        FUZZ_CHECK(joined == bytes, fuzz::shown(bytes) + " joined as " + fuzz::shown(joined));

    const QString path = fuzz::privateDir() + QStringLiteral("/SearchedNum.log");
    fuzz::writeFile(path, bytes);
    lookup::HistoryFile history(path);
    run([&] { history.load(); }, "load");
    FUZZ_CHECK(history.lines() == lines, fuzz::shown(history.lines()));

    // A line from the input (it may hold U+FFFD, which is written as '?').
    const QString line = lines.isEmpty() ? QStringLiteral(u"09.12.2024 10:00:00 Фильтр") : lines.last();
    run([&] { history.append(line); }, "first append");
    const QByteArray after = fuzz::readFile(path);
    if (crlf)
        FUZZ_CHECK(after == bytes + platform::toCp1251(line) + "\r\n", fuzz::shown(after));
    else
        FUZZ_CHECK(after == lookup::joinHistoryLines(lines + QStringList{line}), fuzz::shown(after));
    FUZZ_CHECK(history.lines() == lines + QStringList{line}, fuzz::shown(history.lines()));
    FUZZ_CHECK(fuzz::throughCp1251(lookup::HistoryFile::readForView(path)) == fuzz::throughCp1251(history.lines()),
               fuzz::shown(lookup::HistoryFile::readForView(path)));

    // Someone else adds the head of the input meanwhile: their bytes stay,
    // read as lines, ahead of ours.
    const QByteArray theirs = bytes.left(24);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(theirs) == theirs.size(), "");
    }
    const QStringList onDisk = plainSplit(fuzz::readFile(path));
    const QString second = QStringLiteral(u"10.12.2024 8:15:00 ОЕ 0986-452");
    run([&] { history.append(second); }, "second append");
    // Nothing added: the file is still ours and just grows.
    const QByteArray expected = theirs.isEmpty() ? after + platform::toCp1251(second) + "\r\n"
                                                 : lookup::joinHistoryLines(onDisk + QStringList{second});
    FUZZ_CHECK(fuzz::readFile(path) == expected, fuzz::shown(fuzz::readFile(path)));
    FUZZ_CHECK(fuzz::throughCp1251(history.lines()) == fuzz::throughCp1251(onDisk + QStringList{second}),
               fuzz::shown(history.lines()) + " after the file held " + fuzz::shown(onDisk));

    // A copy just started, which has read no line yet, meets the head of the
    // input added again before its first save.
    lookup::HistoryFile lazy(path);
    run([&] { lazy.load(); }, "load before the other writer");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(theirs) == theirs.size(), "");
    }
    const QByteArray before = fuzz::readFile(path);
    const QString third = QStringLiteral(u"11.12.2024 9:00:00 Ремень");
    run([&] { lazy.append(third); }, "first append after a lazy start");
    const QByteArray merged = theirs.isEmpty() ? before + platform::toCp1251(third) + "\r\n"
                                               : lookup::joinHistoryLines(plainSplit(before) + QStringList{third});
    FUZZ_CHECK(fuzz::readFile(path) == merged, fuzz::shown(fuzz::readFile(path)) + " after " + fuzz::shown(before));
    FUZZ_CHECK(fuzz::throughCp1251(lazy.lines()) == fuzz::throughCp1251(plainSplit(before) + QStringList{third}),
               fuzz::shown(lazy.lines()));

    lookup::HistoryFile fresh(path);
    run([&] { fresh.load(); }, "load again");
    FUZZ_CHECK(fresh.lines() == lookup::HistoryFile::readForView(path), fuzz::shown(fresh.lines()));
    return 0;
}
