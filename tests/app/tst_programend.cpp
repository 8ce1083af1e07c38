// The program itself, as a desk runs it, ended by its session: the signal
// the desktop sends at logout (and Ctrl+C in a terminal) closes it as its
// main window's close does, within the bound, with exit code 0.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestProgramEnd : public QObject {
    Q_OBJECT

private slots:
    void theSessionsEndClosesTheProgram_data()
    {
        QTest::addColumn<int>("signal");
        // How long after the first connect: at once falls in the rest of the
        // start on a slow machine, where the client library's handler is in.
        QTest::addColumn<int>("after");
        QTest::newRow("SIGTERM") << int(SIGTERM) << 1500;
        QTest::newRow("SIGINT") << int(SIGINT) << 1500;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 1500;
        QTest::newRow("SIGTERM at the connect") << int(SIGTERM) << 0;
        QTest::newRow("SIGHUP at the connect") << int(SIGHUP) << 0;
    }

    void theSessionsEndClosesTheProgram()
    {
        QFETCH(int, signal);
        QFETCH(int, after);
        const QString bin = QCoreApplication::applicationDirPath();
        if (!QFile::exists(bin + QStringLiteral("/Orvado")) || !QFile::exists(bin + QStringLiteral("/orvado-makedb")))
            QSKIP("the program and orvado-makedb are not built beside the tests");
        QTemporaryDir dir;
        const QString at = dir.path();
        // A folder of its own: the program, its price database beside it,
        // the accounting database where it starts.
        QVERIFY(QFile::copy(bin + QStringLiteral("/Orvado"), at + QStringLiteral("/Orvado")));
        QProcess make;
        make.start(bin + QStringLiteral("/orvado-makedb"),
                   {QStringLiteral("demo"), at + QStringLiteral("/AENTER.GDB"), at + QStringLiteral("/ORVADO.GDB")});
        QVERIFY(make.waitForFinished(60000) && make.exitCode() == 0);
        QDir().mkpath(at + QStringLiteral("/config"));
        QDir().mkpath(at + QStringLiteral("/lock"));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), at + QStringLiteral("/config"));
        env.insert(QStringLiteral("FIREBIRD_LOCK"), at + QStringLiteral("/lock"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(at);
        program.start(at + QStringLiteral("/Orvado"), {});
        QVERIFY(program.waitForStarted(10000));
        // Connected: the alias record is written after each connect.
        const QString aliases = at + QStringLiteral("/config/Orvado/aliases.ini");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(aliases), 20000);
        if (after > 0)
            QTest::qWait(after);
        ::kill(pid_t(program.processId()), signal);
        QVERIFY2(program.waitForFinished(10000), "the program did not end within 10 s of the signal");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgramEnd)
#include "tst_programend.moc"
