#include "platform/Cp1251.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace platform;

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;

    QByteArray contents() const
    {
        QFile f(path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void setContents(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }

private slots:
    void init()
    {
        path_ = dir_.filePath(QStringLiteral("Orvado.INI"));
        QFile::remove(path_);
    }

    void missingFileReadsDefaultsAndIsNotCreated()
    {
        const IniFile ini(path_);
        QCOMPARE(ini.readString("Paths", "AEnter", "def"), QStringLiteral("def"));
        QVERIFY(ini.readFloat("Charges", "RoznRate", 1, u',') == 1.0);
        QVERIFY(!QFile::exists(path_));
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray base = "; settings\r\n[Paths]\r\nAEnter = C:\\Base\\AEnter.gdb \r\n"
                                "Empty=\r\n[Charges]\r\nx=a=b\r\n";
        QTest::newRow("trimmed value, names any case") << base << "pATHS" << "aenter" << "C:\\Base\\AEnter.gdb";
        QTest::newRow("empty value is not default") << base << "Paths" << "Empty" << "";
        QTest::newRow("value after first equals") << base << "Charges" << "X" << "a=b";
        QTest::newRow("key of other section") << base << "Charges" << "AEnter" << "<def>";
        QTest::newRow("commented key") << QByteArray("[S]\n;k=1\n") << "S" << "k" << "<def>";
        QTest::newRow("blanks around names") << QByteArray("  [ S ]  \n  k  =v") << "S" << "k" << "v";
        QTest::newRow("first duplicate wins") << QByteArray("[S]\nk=1\n[T]\nk=0\n[s]\nk=2\n") << "S" << "k" << "1";
        QTest::newRow("cyrillic names any case")
            << QByteArray("[\xCF\xF3\xF2\xE8]\n\xCA\xEB\xFE\xF7=\xC7\xED\xE0\xF7\n")
            << QStringLiteral(u"ПУТИ") << QStringLiteral(u"ключ") << QStringLiteral(u"Знач");
        QTest::newRow("long value cut") << "[S]\nk=" + QByteArray(3000, 'x') << "S" << "k" << QString(2047, u'x');
    }

    void reads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        setContents(path_, content);
        QCOMPARE(IniFile(path_).readString(section, key, "<def>"), expected);
    }

    void readFloat_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("dot fails under comma") << QByteArray("1.15") << 1.0;
        QTest::newRow("letters") << QByteArray("abc") << 1.0;
        QTest::newRow("empty") << QByteArray("") << 1.0;
        QTest::newRow("whole") << QByteArray("2") << 2.0;
    }

    void readFloat()
    {
        QFETCH(QByteArray, value);
        QFETCH(double, expected);
        setContents(path_, "[Charges]\r\nRoznRate=" + value + "\r\n");
        QVERIFY(IniFile(path_).readFloat("charges", "roznrate", 1, u',') == expected);
    }

    void retailFactorFromCommaText()
    {
        setContents(path_, "[Charges]\r\nRoznRate=1,1\r\n");
        const float rate = toSingle(IniFile(path_).readFloat("Charges", "RoznRate", 1, u','));
        QVERIFY(double(rate) == 1.10000002384185791015625);
    }

    void writeChangesOnlyItsLine()
    {
        const QByteArray rest = "junk line\n  ; comment=with equals\r\n[Charges]\n";
        setContents(path_, "; top\r\n\r\n[Paths]\r\nAEnter = old \r\n" + rest + "OptRate=1,25\nOptRate=9\n");
        IniFile ini(path_);
        ini.writeString("PATHS", "aenter", QStringLiteral("D:\\new.gdb"));
        ini.writeFloat("charges", "optrate", 1.5, u',');
        QCOMPARE(contents(), "; top\r\n\r\n[Paths]\r\nAEnter = D:\\new.gdb\r\n" + rest + "OptRate=1,5\nOptRate=9\n");
    }

    void writeAddsKeysAndSections()
    {
        setContents(path_, "[Paths]\r\nAEnter=a\r\n\r\n; next\r\n[Charges]\r\nOptRate=2\n[Empty]");
        IniFile ini(path_);
        ini.writeString("paths", "Main", "b");
        ini.writeString("empty", "k", "v");
        ini.writeString("New", "Key", "w");
        QCOMPARE(contents(), QByteArray("[Paths]\r\nAEnter=a\r\nMain=b\r\n\r\n; next\r\n"
                                        "[Charges]\r\nOptRate=2\n[Empty]\r\nk=v\r\n[New]\r\nKey=w\r\n"));
    }

    void writeAfterALastLineEndedByCr_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("into the section") << QByteArray("[Charges]\r") << "Charges"
                                          << QByteArray("[Charges]\r\nOptRate=1,2\r\n");
        QTest::newRow("new section") << QByteArray("[Charges]\r\nRoznRate=1,1\r") << "Paths"
                                     << QByteArray("[Charges]\r\nRoznRate=1,1\r\n[Paths]\r\nOptRate=1,2\r\n");
    }
    void writeAfterALastLineEndedByCr()
    {
        // A lone CR ends only the last line: what is added after it must not
        // run on into that line.
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QByteArray, expected);
        setContents(path_, content);
        IniFile ini(path_);
        ini.writeString(section, "OptRate", "1,2");
        QCOMPARE(contents(), expected);
        QCOMPARE(ini.readString(section, "OptRate", "<def>"), QStringLiteral("1,2"));
    }

    void largestNumberReadsBack()
    {
        // Rounded to 15 digits it would pass the largest double and read as
        // out of range, giving the default.
        IniFile ini(path_);
        for (double v : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}) {
            ini.writeFloat("Charges", "RoznRate", v, u',');
            const double back = ini.readFloat("Charges", "RoznRate", 1, u',');
            QVERIFY2(back != 1 && std::abs(back - v) <= std::abs(v) * 1e-14, qPrintable(contents()));
        }
    }

    void firstWriteCreatesTheFile()
    {
        IniFile ini(path_);
        ini.writeFloat("Charges", "RoznRate", 1.1, u',');
        ini.writeString("Charges", "Note", "a\r\nb"); // must not split the line
        QCOMPARE(contents(), QByteArray("[Charges]\r\nRoznRate=1,1\r\nNote=a  b\r\n"));
    }

    void cyrillicIsStoredAsCp1251()
    {
        IniFile ini(path_);
        const QString value = QStringLiteral(u"Склад №1 «Центр»");
        ini.writeString(QStringLiteral(u"Склад"), QStringLiteral(u"Имя"), value);
        QVERIFY(contents().contains(toCp1251(value)));
        QCOMPARE(ini.readString(QStringLiteral(u"СКЛАД"), QStringLiteral(u"имя"), ""), value);
    }

    void unwritableThrows()
    {
        // Tests run as root, so a read-only folder would not stop the write:
        // put the file under a regular file instead.
        const QString blocker = dir_.filePath(QStringLiteral("notadir"));
        setContents(blocker, "x");
        const QString path = blocker + QStringLiteral("/file.ini");
        IniFile ini(path);
        try {
            ini.writeString("S", "k", "v");
            QFAIL("no exception");
        } catch (const Failure& f) {
            QCOMPARE(f.text(), QStringLiteral("Unable to write to ") + path);
        }
    }

    // A save the file system stops part-way (a file size limit, which binds
    // root too) leaves the old file whole and nothing beside it, and says why.
    void failedSaveLeavesTheOldFileWhole()
    {
#ifdef Q_OS_UNIX
        const QByteArray old = "[Paths]\r\nAEDir=C:\\AE\\AENTER.GDB\r\n";
        setContents(path_, old);
        const QStringList listing = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        rlimit saved;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 16;
        auto* const handler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString reason;
        const bool done = saveFileAtomically(path_, QByteArray(100, 'x'), &reason);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        QVERIFY(!done);
        QCOMPARE(reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
        QCOMPARE(contents(), old);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), listing);
#else
        QSKIP("needs a file size limit");
#endif
    }
};

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
