// The floors of the house, read off the sources: nothing includes upward,
// and nothing above the data layer reaches into the data module (its
// statements, connections, their threads, its EUR rate field) or the
// Firebird layer.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Source {
    QString path; // relative to the source tree
    QStringList lines;
};

std::vector<Source> sources(const QString& folder)
{
    std::vector<Source> out;
    const QString root = QStringLiteral(ORVADO_SOURCE_DIR) + QLatin1Char('/');
    QDirIterator it(root + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        out.push_back({f.fileName().mid(root.size()), QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))});
    }
    return out;
}

// The floor a source file or an included header belongs to; higher is up.
int floorOf(const QString& path)
{
    if (path.startsWith(QLatin1String("app/")))
        return 5;
    if (path.startsWith(QLatin1String("lookup/")) || path.startsWith(QLatin1String("order/")))
        return 4;
    if (path.startsWith(QLatin1String("windows/")))
        return 3;
    if (path.startsWith(QLatin1String("data/firebird/")))
        return 1;
    if (path.startsWith(QLatin1String("data/")))
        return 2;
    return 0; // platform/, the system's headers
}

} // namespace

class TestLayers : public QObject {
    Q_OBJECT

private slots:
    void nothingIncludesUpward()
    {
        static const QRegularExpression include(QStringLiteral("^#include \"([^\"]+)\""));
        QStringList upward;
        for (const char* folder : {"app", "lookup", "order", "windows", "data", "platform"})
            for (const Source& s : sources(QString::fromLatin1(folder)))
                for (const QString& line : s.lines) {
                    const QRegularExpressionMatch m = include.match(line);
                    const QString header = m.hasMatch() ? m.captured(1) : QString();
                    if (!header.isEmpty() && floorOf(header) > floorOf(s.path) && floorOf(s.path) > 0)
                        upward << s.path + QStringLiteral(": ") + line;
                    if (!header.isEmpty() && s.path.startsWith(QLatin1String("platform/")) && floorOf(header) > 0)
                        upward << s.path + QStringLiteral(": ") + line;
                }
        QVERIFY2(upward.isEmpty(), qPrintable(upward.join(QLatin1Char('\n'))));
    }

    void windowsAndServicesGetValuesOnly()
    {
        static const QRegularExpression reach(QStringLiteral(
            "\\b(ibq[A-Z]\\w*|ibdAE|dbMain|ibtAE|trMain|taCurrency|spGetEuroRate|EuroRate|dsSklad)\\b|perform\\(|"
            "inside\\(\\)|fb::|data/firebird/"));
        QStringList found;
        for (const char* folder : {"lookup", "order", "windows"})
            for (const Source& s : sources(QString::fromLatin1(folder)))
                for (qsizetype i = 0; i < s.lines.size(); ++i)
                    if (reach.match(s.lines[i]).hasMatch())
                        found << QStringLiteral("%1:%2: %3").arg(s.path).arg(i + 1).arg(s.lines[i].trimmed());
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }
};

QTEST_APPLESS_MAIN(TestLayers)
#include "tst_layers.moc"
