// The program never writes to the enterprise database: it does a whole day's
// reading (lookups, movements, the order build, refreshes) against one that
// the engine holds read-only (gfix -mode read_only), which refuses every write, and
// sees exactly what it sees in a writable copy of the same database.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "data/TdmMain.h"
#include "data/firebird/Error.h"
#include "db/DemoData.h"
#include "lookup/TfmMain.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "tests/support/MainWindow.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmMoves.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <memory>

using platform::DialogRecorder;

namespace {

// Everything a salesperson would see of one part.
struct Sighting {
    QString number, stock, rozn, mopt, special, figures, name;
    int listed = 0; // rows of the part list or the cross list
    int moves = -1;
    bool operator==(const Sighting&) const = default;
};

QString describe(const QList<Sighting>& all)
{
    QStringList out;
    for (const Sighting& s : all)
        out << QStringLiteral("%1: %2 | %3 %4 %5 | %6 | %7 | %8 listed | %9 moves")
                   .arg(s.number, s.stock, s.rozn, s.mopt, s.special, s.figures, s.name)
                   .arg(s.listed)
                   .arg(s.moves);
    return out.join(QLatin1Char('\n'));
}

struct Day {
    QList<Sighting> sightings;
    QList<qint32> orderIds;
    QStringList reports;
};

QString gfix()
{
    return QStandardPaths::findExecutable(QStringLiteral("gfix"));
}

} // namespace

class TestReadOnlyDb : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void theReadOnlyDatabaseRefusesWrites();
    void aWholeDayReadsTheSameAsFromAWritableCopy();

private:
    Day workADay(const QString& enterprisePath);

    std::unique_ptr<testdb::TestDatabases> dbs_;
    QString readOnlyPath_, writablePath_;
    QStringList numbers_;
};

void TestReadOnlyDb::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (gfix().isEmpty())
        QSKIP("gfix (package firebird3.0-utils) is not installed: no way to switch a database to read-only here");
    dbs_ = std::make_unique<testdb::TestDatabases>();
    db::fillDemo(dbs_->enterprisePath(), dbs_->pricePath());
    // Parts with movements, parts without, and a fragment matching several.
    for (const fb::Value& v : dbs_->column(testdb::Db::Enterprise,
                                           QStringLiteral("SELECT FIRST 40 MANUFACTURECODE FROM PART P WHERE "
                                                          "EXISTS (SELECT 1 FROM DOCPARTS D WHERE D.IDPART = P.ID) "
                                                          "ORDER BY ID")))
        numbers_ << std::get<QString>(v);
    for (const fb::Value& v : dbs_->column(testdb::Db::Enterprise,
                                           QStringLiteral("SELECT FIRST 3 MANUFACTURECODE FROM PART P WHERE NOT "
                                                          "EXISTS (SELECT 1 FROM DOCPARTS D WHERE D.IDPART = P.ID)")))
        numbers_ << std::get<QString>(v);
    numbers_ << numbers_.first().left(2);
    QVERIFY(numbers_.size() > 10);
    dbs_->disconnectAll();

    writablePath_ = dbs_->path(QStringLiteral("WRITABLE.GDB"));
    QVERIFY(QFile::copy(dbs_->enterprisePath(), writablePath_));
    readOnlyPath_ = dbs_->enterprisePath();

    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(gfix(), {QStringLiteral("-mode"), QStringLiteral("read_only"), QStringLiteral("-user"),
                     QStringLiteral("SYSDBA"), QStringLiteral("-password"), QStringLiteral("masterkey"), readOnlyPath_});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
}

void TestReadOnlyDb::cleanupTestCase()
{
    dbs_.reset();
}

void TestReadOnlyDb::theReadOnlyDatabaseRefusesWrites()
{
    try {
        dbs_->exec(testdb::Db::Enterprise, QStringLiteral("UPDATE PART SET NAME = NAME"));
        QFAIL("an update went through on the read-only database");
    } catch (const fb::Error& e) {
        QVERIFY2(e.text().contains(QStringLiteral("read-only"), Qt::CaseInsensitive), qPrintable(e.text()));
    }
    dbs_->disconnectAll();
}

// The main window's searches, the movements window of each found part, a
// refresh between parts, and the order build over every warehouse.
Day TestReadOnlyDb::workADay(const QString& enterprisePath)
{
    Day day;
    DialogRecorder rec;
    dbs_->writeSettings(enterprisePath);
    data::TdmMain dm;
    [&] { QVERIFY(dm.DataModuleCreate(platform::desktopPrompts())); }();
    data::markup() = {1.1f, 1.2f, 1.3f};
    lookup::TfmMain main(dm);
    testsupport::holdTimers(main);
    order::TfmOrder orderWindow(dm, &main);
    main.setOrderWindow(&orderWindow);

    for (const QString& number : std::as_const(numbers_)) {
        main.pcTabs->setCurrentWidget(main.tsFindNum);
        main.edNumber->setText(number);
        QTest::mouseClick(main.bbSearch, Qt::LeftButton);
        Sighting s{number, main.stOst->text(), main.edRozn->text(), main.edMOpt->text(), main.edSpecial->text(),
                   QStringList{main.panelText(1), main.panelText(2), main.panelText(3)}.join(QLatin1Char('/')),
                   main.panelText(4)};
        s.listed = main.dgSearchParts->model()->rowCount() + main.dgCross->model()->rowCount();
        if (main.CurrentPartID() != 0 && !main.stOst->text().isEmpty()) {
            testsupport::OnModal take([&](QWidget* modal) {
                auto* moves = qobject_cast<windows::TfmMoves*>(modal);
                if (moves) {
                    s.moves = moves->DBGridEh1->model()->rowCount();
                    moves->close();
                }
                return moves != nullptr;
            });
            testsupport::ModalGuard guard;
            main.sbMoves->click();
        }
        day.sightings << s;
        // The refresh closes and reopens both connections between parts.
        main.edNumber->clear();
        main.pcTabs->setCurrentWidget(main.tsFindNum);
        main.miDataBaseUpdate->trigger();
    }

    orderWindow.show();
    orderWindow.setSkladChoice(std::nullopt);
    orderWindow.cbSort->setCurrentIndex(1);
    orderWindow.cbSortChange();
    for (const auto& line : orderWindow.mtOrder.rows())
        day.orderIds << line.id.value_or(0);
    orderWindow.hide();

    day.reports = rec.texts();
    return day;
}

void TestReadOnlyDb::aWholeDayReadsTheSameAsFromAWritableCopy()
{
    const Day readOnly = workADay(readOnlyPath_);
    const Day writable = workADay(writablePath_);
    QVERIFY2(readOnly.reports.isEmpty(), qPrintable(readOnly.reports.join(QLatin1Char('\n'))));
    QVERIFY2(writable.reports.isEmpty(), qPrintable(writable.reports.join(QLatin1Char('\n'))));

    // The day found real things...
    int withStock = 0, withMoves = 0, lists = 0;
    for (const Sighting& s : readOnly.sightings) {
        withStock += s.stock.isEmpty() ? 0 : 1;
        withMoves += s.moves > 0 ? 1 : 0;
        lists += s.listed > 1 ? 1 : 0;
    }
    QVERIFY2(withStock >= 3 && withMoves >= 3 && lists >= 3, qPrintable(describe(readOnly.sightings)));
    QVERIFY(!readOnly.orderIds.isEmpty());
    // ...and the read-only database showed exactly what the writable one did.
    QVERIFY2(readOnly.sightings == writable.sightings,
             qPrintable(describe(readOnly.sightings) + QStringLiteral("\n--- writable:\n") +
                        describe(writable.sightings)));
    QCOMPARE(readOnly.orderIds, writable.orderIds);
}

QTEST_MAIN(TestReadOnlyDb)
#include "tst_readonlydb.moc"
