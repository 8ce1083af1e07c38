// The user guide as the build leaves it beside the executable, where
// "Помощь..." opens it: complete, current, and with no dead link or picture.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QString kSource = QStringLiteral(ORVADO_SOURCE_DIR "/docs/guide");

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of a folder, by its path relative to the folder.
QStringList filesIn(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList matches(const QString& text, const QString& pattern)
{
    QStringList out;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

} // namespace

class TestUserGuide : public QObject {
    Q_OBJECT

    // Test executables are built into the executable's folder.
    QString beside() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/guide"); }

private slots:
    // The build copies the whole guide, as it stands now, beside the executable.
    void theBuildPutsTheCurrentGuideBesideTheExecutable()
    {
        QVERIFY2(QFile::exists(beside() + QStringLiteral("/index.html")), qPrintable(beside()));
        const QStringList source = filesIn(kSource);
        QVERIFY(source.contains(QStringLiteral("index.html")));
        QCOMPARE(filesIn(beside()), source);
        for (const QString& file : source)
            QVERIFY2(bytesOf(beside() + QLatin1Char('/') + file) == bytesOf(kSource + QLatin1Char('/') + file),
                     qPrintable(file + QStringLiteral(" is not the current one")));
    }

    // Every page's links and pictures lead somewhere; every in-page link has
    // its section; every picture of img/ is shown somewhere.
    void noDeadLinkAndNoPictureLeftOver()
    {
        QSet<QString> shown;
        for (const QString& page : filesIn(kSource)) {
            if (!page.endsWith(QLatin1String(".html")))
                continue;
            const QString text = QString::fromUtf8(bytesOf(kSource + QLatin1Char('/') + page));
            const QString folder = QFileInfo(kSource + QLatin1Char('/') + page).absolutePath();
            const QStringList ids = matches(text, QStringLiteral("\\sid=\"([^\"]+)\""));
            QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()); // no section twice
            for (const QString& target : matches(text, QStringLiteral("\\s(?:href|src)=\"([^\"]+)\""))) {
                if (target.startsWith(QLatin1Char('#'))) {
                    QVERIFY2(ids.contains(target.mid(1)), qPrintable(page + QStringLiteral(": ") + target));
                    continue;
                }
                QVERIFY2(!target.contains(QLatin1String("://")), qPrintable(page + QStringLiteral(": ") + target));
                const QString file = QDir::cleanPath(folder + QLatin1Char('/') + target.section(QLatin1Char('#'), 0, 0));
                QVERIFY2(QFileInfo(file).isFile(), qPrintable(page + QStringLiteral(": ") + target));
                shown << QDir(kSource).relativeFilePath(file);
            }
        }
        for (const QString& picture : filesIn(kSource + QStringLiteral("/img")))
            QVERIFY2(shown.contains(QStringLiteral("img/") + picture), qPrintable(picture + QStringLiteral(" is shown nowhere")));
    }

    // A reference to another section by its number is a link to that
    // section, the section carries that number, and the contents list it.
    void sectionReferencesAreLinks()
    {
        const QString text = QString::fromUtf8(bytesOf(kSource + QStringLiteral("/index.html")));
        QHash<QString, QString> numberOf;
        QRegularExpressionMatchIterator h =
            QRegularExpression(QStringLiteral("<h2 id=\"([^\"]+)\">(\\d+)\\.")).globalMatch(text);
        while (h.hasNext()) {
            const QRegularExpressionMatch m = h.next();
            numberOf.insert(m.captured(1), m.captured(2));
            QVERIFY2(text.contains(QStringLiteral("<li><a href=\"#%1\">").arg(m.captured(1))),
                     qPrintable(m.captured(1) + QStringLiteral(" is not in the contents")));
        }
        QVERIFY(numberOf.size() >= 10);
        QRegularExpressionMatchIterator r =
            QRegularExpression(QStringLiteral("(<a href=\"#([^\"]+)\">)?раздел[а-я]*\\s+(\\d+)")).globalMatch(text);
        int references = 0;
        while (r.hasNext()) {
            const QRegularExpressionMatch m = r.next();
            const QString where = text.mid(std::max<qsizetype>(0, m.capturedStart() - 40), 80);
            QVERIFY2(m.hasCaptured(1), qPrintable(QStringLiteral("not a link: ") + where));
            QVERIFY2(numberOf.value(m.captured(2)) == m.captured(3), qPrintable(QStringLiteral("wrong section: ") + where));
            ++references;
        }
        QVERIFY(references >= 5);
    }

    // The pictures the README shows come from the guide and are there.
    void theReadmePicturesExist()
    {
        const QString readme = QString::fromUtf8(bytesOf(QStringLiteral(ORVADO_SOURCE_DIR "/README.md")));
        const QStringList pictures = matches(readme, QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)"));
        QVERIFY(pictures.size() >= 2);
        for (const QString& p : pictures)
            QVERIFY2(QFileInfo(QStringLiteral(ORVADO_SOURCE_DIR "/") + p).isFile(), qPrintable(p));
    }
};

QTEST_MAIN(TestUserGuide)
#include "tst_userguide.moc"
