#include "data/Settings.h"
#include "windows/TfmOptions.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using windows::TfmOptions;

class TestTfmOptions : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString ini() const { return dir_.filePath(QStringLiteral("Orvado.INI")); }
    QString key(const QString& name) const
    {
        return platform::IniFile(ini()).readString(QStringLiteral("Charges"), name, QStringLiteral("<none>"));
    }
    static void setFactors(float v) { data::markup() = {v, v, v}; }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        platform::setExePathForTests(dir_.filePath(QStringLiteral("Orvado")));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    void init()
    {
        QFile::remove(ini());
        QDir(ini()).removeRecursively();
        setFactors(1.0f);
    }

    // Without a file every edit shows 1, and closing creates the file with all three keys.
    void missingFileShowsOnesAndIsCreatedOnClose()
    {
        platform::DialogRecorder rec;
        TfmOptions w;
        QCOMPARE(w.edOtherRate->text(), QStringLiteral("1"));
        QCOMPARE(w.edOptRate->text(), QStringLiteral("1"));
        QCOMPARE(w.edRoznRate->text(), QStringLiteral("1"));
        QVERIFY(!QFile::exists(ini()));

        // The real modal path: exec() ended by the button.
        QTimer::singleShot(0, &w, [&w]() { w.bbClose->click(); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &w, [&w]() { w.hide(); });
        guard.start(5000);
        w.exec();
        QVERIFY(guard.isActive());
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(key(QStringLiteral("OtherRate")), QStringLiteral("1"));
        QCOMPARE(key(QStringLiteral("OptRate")), QStringLiteral("1"));
        QCOMPARE(key(QStringLiteral("RoznRate")), QStringLiteral("1"));
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("[Charges]"));
    }

    void validTextsAreSavedAndTakeEffect_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("factor");
        QTest::newRow("comma") << QStringLiteral("1,2") << QStringLiteral("1,2") << 1.2;
        QTest::newRow("blanks around") << QStringLiteral(" 1,5 ") << QStringLiteral("1,5") << 1.5;
        QTest::newRow("negative") << QStringLiteral("-1") << QStringLiteral("-1") << -1.0;
    }
    void validTextsAreSavedAndTakeEffect()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(double, factor);
        platform::DialogRecorder rec;
        TfmOptions w;
        w.show();
        w.edOptRate->setText(typed);
        w.bbClose->click();
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(key(QStringLiteral("OptRate")), stored);
        QCOMPARE(data::markup().opt, platform::toSingle(factor));
        QCOMPARE(data::markup().other, 1.0f);
    }

    // A bad text stops the save at its field: the keys before it are written,
    // nothing in memory changes, the window stays open for correction.
    void badTextKeepsWindowOpen_data()
    {
        QTest::addColumn<QString>("opt");
        QTest::addColumn<QString>("rozn");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("point under ru") << QStringLiteral("1.2") << QStringLiteral("1") << QStringList{"OtherRate"};
        QTest::newRow("retail empty") << QStringLiteral("2") << QString() << QStringList{"OtherRate", "OptRate"};
    }
    void badTextKeepsWindowOpen()
    {
        QFETCH(QString, opt);
        QFETCH(QString, rozn);
        QFETCH(QStringList, written);
        platform::DialogRecorder rec;
        setFactors(2.0f);
        TfmOptions w;
        w.show();
        w.edOtherRate->setText(QStringLiteral("1,1"));
        w.edOptRate->setText(opt);
        w.edRoznRate->setText(rozn);
        w.close(); // the close box
        QCOMPARE(rec.texts(platform::BoxKind::Plain), QStringList{windows::kBadMarkup});
        QVERIFY(w.isVisible());
        QCOMPARE(w.edOptRate->text(), opt);
        for (const QString& k : {QStringLiteral("OtherRate"), QStringLiteral("OptRate"), QStringLiteral("RoznRate")})
            QCOMPARE(key(k) != QStringLiteral("<none>"), written.contains(k));
        QCOMPARE(data::markup().other, 2.0f);
        QCOMPARE(data::markup().opt, 2.0f);
        QCOMPARE(data::markup().rozn, 2.0f);

        // Corrected, the next close writes and sets all three.
        rec.clear();
        w.edOptRate->setText(QStringLiteral("1,2"));
        w.edRoznRate->setText(QStringLiteral("1,3"));
        w.close();
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(key(QStringLiteral("RoznRate")), QStringLiteral("1,3"));
        QCOMPARE(data::markup().other, platform::toSingle(1.1));
        QCOMPARE(data::markup().rozn, platform::toSingle(1.3));
    }

    // Escape goes through the same save as the close box.
    void escapeSavesToo()
    {
        platform::DialogRecorder rec;
        TfmOptions w;
        w.show();
        w.edRoznRate->setText(QStringLiteral("x"));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QCOMPARE(rec.texts(), QStringList{windows::kBadMarkup});
    }

    // A settings file that cannot be written gets its own message, and the
    // user may leave without saving; the factors stay as they were.
    void unwritableFileCanBeLeft()
    {
        QVERIFY(QDir().mkpath(ini())); // a folder where the file should be
        platform::DialogRecorder rec;
        rec.confirmAnswer = false;
        setFactors(2.0f);
        TfmOptions w;
        w.show();
        QCOMPARE(w.edOtherRate->text(), QStringLiteral("1"));
        w.edOtherRate->setText(QStringLiteral("1,5"));
        w.close();
        QVERIFY(w.isVisible());
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].kind, platform::BoxKind::Confirm);
        QVERIFY(rec.boxes[0].text.contains(ini()));
        QVERIFY(!rec.texts().contains(windows::kBadMarkup));

        rec.clear();
        rec.confirmAnswer = true;
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(data::markup().other, 2.0f);
    }
};

QTEST_MAIN(TestTfmOptions)
#include "tst_tfmoptions.moc"
