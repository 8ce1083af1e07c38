#pragma once

#include "platform/Regional.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace lookup {

// The lines of a history file: CR LF, a lone CR and a lone LF each end a
// line; an empty line between two line ends stays; text after the last line
// end is a last line of its own. Windows-1251.
QStringList splitHistoryLines(const QByteArray& bytes);

// The file form of the lines: each one followed by CR LF, Windows-1251.
QByteArray joinHistoryLines(const QStringList& lines);

// One history line: the short date, the long time unless the time of day is
// 00:00:00 (milliseconds do not count), then a blank and the number as typed.
QString historyLine(const QDateTime& when, const QString& number, const platform::Regional& regional);

// The search history file.
//
// Saving never loses a line that is in the file: while the file is still
// exactly what this object found at start, last read or wrote, and in CR LF
// form, a new line is appended to it; when anything else touched it
// meanwhile (another copy of the program, another tool, an unreadable file
// at start), the file is read again and rewritten as its current lines plus
// ours, in CR LF form.
//
// Nothing the program shows needs the lines, so the start reads none of
// them: it takes the file's stamp, and the first save checks the bytes for
// CR LF form without decoding them. The start then costs the same with a
// million lines as with none.
class HistoryFile {
public:
    explicit HistoryFile(QString path);

    // Takes note of the file as it is now, reading none of its lines; a
    // missing file is an empty history. Throws platform::Failure when the
    // file exists but cannot be opened for reading; the next save then
    // reads it again, so its lines are kept.
    void load();

    // The history as this object knows it: the file's lines, read the first
    // time they are asked for (none when the file was unreadable at start),
    // followed by the lines not saved yet. A file that cannot be read now
    // gives only the latter.
    QStringList lines() const;
    const QString& path() const { return path_; }

    // Adds the line and saves it. Throws platform::Failure when the file
    // cannot be written; the line stays in the list and goes out with the
    // next successful save, and the file is left as it was.
    void append(const QString& line);

    // The file's lines as they are now, for showing them; a missing file
    // gives an empty list. Throws platform::Failure when it cannot be read.
    static QStringList readForView(const QString& path);

    // What identifies one state of the file on disk.
    struct Stamp {
        qint64 size = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        quint64 device = 0;
        quint64 fileId = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };

private:
    bool appendInPlace(const QByteArray& bytes);
    void rewrite();

    QString path_;
    QStringList unsaved_; // appended lines the file does not hold yet
    // The file as this object found it at start, last read or wrote it;
    // unset when that is not known (missing or unreadable at start, a
    // failed write), and then the next save reads the file again.
    std::optional<Stamp> seen_;
    // Whether the file of seen_ is in CR LF form, so that appending to it
    // keeps it so; a file found at start is checked at the first save.
    enum class Form { Unchecked, CrLf, Other } form_ = Form::Unchecked;
    // The whole history (file lines, then unsaved_), once asked for.
    mutable std::optional<QStringList> lines_;
};

} // namespace lookup
