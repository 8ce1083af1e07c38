// The files the program writes — the settings file, the alias records, the
// search history and order files — on a disk that refuses them: a read-only
// folder, a locked file, a folder where the file should be, a full disk, an
// unreadable file.
// Each time the user is told, the file on disk stays as it was, byte for byte,
// what the program holds in memory stays right, and once the fault is gone
// the next save works and loses nothing.

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "windows/TfmOptions.h"
#include "data/TdmMain.h"
#include "lookup/HistoryFile.h"
#include "lookup/TfmMain.h"
#include "lookup/TfmSearchLog.h"
#include "order/OrderFile.h"
#include "order/TfmOrder.h"
#include "platform/AliasStore.h"
#include "platform/Cp1251.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "tests/support/MainWindow.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ModalGuard.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

using testsupport::ModalGuard;
using faults::differenceFrom;
using faults::fileBytes;
using faults::writeBytes;
using platform::BoxKind;
using platform::DialogRecorder;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(14, 30, 5));
const QString kSettingsFailed = QStringLiteral("Не удалось записать файл настроек\r");

enum class Fault { ReadOnlyFolder, Immutable, FolderInPlace, FullDisk, Unreadable };

// Where a file lives and the fault laid on it. Full-disk cases live on a
// disk of their own; the others in a plain temporary folder.
class Site {
public:
    explicit Site(Fault fault) : fault_(fault)
    {
        if (fault == Fault::FullDisk) {
            disk_ = std::make_unique<faults::FullDisk>();
            dir_ = disk_->dir();
            qInfo("%s", qPrintable(disk_->how()));
        } else {
            tmp_ = std::make_unique<QTemporaryDir>();
            dir_ = tmp_->filePath(QStringLiteral("place"));
            QDir().mkpath(dir_);
        }
    }
    ~Site() { lift(); }

    const QString& dir() const { return dir_; }
    QString path(const QString& name) const { return dir_ + QLatin1Char('/') + name; }
    // The program's own folder is this one: the settings and history files land here.
    void useAsProgramFolder() const { platform::setExePathForTests(path(QStringLiteral("Orvado"))); }

    // Lays the fault on the file; an empty answer, or why the case cannot
    // be made here. room: what a full disk still takes; grows: the save
    // appends to the file rather than writing a new one.
    QString lay(const QString& file, qint64 room = 0, bool grows = false)
    {
        switch (fault_) {
        case Fault::ReadOnlyFolder:
            mode_ = std::make_unique<faults::ModeChange>(dir_, 0555);
            if (!mode_->ok())
                return mode_->reason();
            return obeyPermissions();
        case Fault::Unreadable:
            mode_ = std::make_unique<faults::ModeChange>(file, 0000);
            if (!mode_->ok())
                return mode_->reason();
            return obeyPermissions();
        case Fault::Immutable:
            immutable_ = std::make_unique<faults::ImmutableFile>(file);
            if (!immutable_->ok())
                return QStringLiteral("the file system refuses the immutable attribute: ") + immutable_->reason();
            return {};
        case Fault::FolderInPlace:
            QFile::remove(file);
            QDir().mkpath(file);
            writeBytes(file + QStringLiteral("/inside.txt"), "kept");
            folderInPlace_ = file;
            return {};
        case Fault::FullDisk:
            disk_->fill(room, grows ? file : QString());
            return {};
        }
        return {};
    }

    // Takes the fault away; the folder laid in a file's place goes too.
    void lift()
    {
        perms_.reset();
        mode_.reset();
        immutable_.reset();
        if (disk_)
            disk_->release();
        if (!folderInPlace_.isEmpty()) {
            QDir(folderInPlace_).removeRecursively();
            folderInPlace_.clear();
        }
    }

    // What the system says when a full disk refuses a write.
    QString fullDiskReason() const
    {
        return QString::fromLocal8Bit(std::strerror(disk_ && disk_->isTmpfs() ? ENOSPC : EFBIG));
    }

    // The folder's names, to see that a failed save left nothing behind.
    QStringList listing() const
    {
        return QDir(dir_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private:
    QString obeyPermissions()
    {
        perms_ = std::make_unique<faults::PermissionsObeyed>();
        if (!perms_->ok())
            return QStringLiteral("root here cannot give up CAP_DAC_OVERRIDE, so permissions do not apply: ") +
                   perms_->reason();
        return {};
    }

    Fault fault_;
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<faults::FullDisk> disk_;
    QString dir_;
    std::unique_ptr<faults::ModeChange> mode_;
    std::unique_ptr<faults::PermissionsObeyed> perms_;
    std::unique_ptr<faults::ImmutableFile> immutable_;
    QString folderInPlace_;
};

// The message names the file and gives the system's reason, not a shrug.
QString badReason(const QString& message, const QString& expectedStart)
{
    if (!message.startsWith(expectedStart))
        return QStringLiteral("expected it to start with «%1», got «%2»").arg(expectedStart, message);
    const QString reason = message.mid(expectedStart.size()).trimmed();
    if (reason.isEmpty() || reason.contains(QStringLiteral("Unknown error"), Qt::CaseInsensitive))
        return QStringLiteral("no reason given: «%1»").arg(message);
    return {};
}

QString quotedNative(const QString& path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}


bool sameLines(const std::vector<order::OrderLine>& a, const std::vector<order::OrderLine>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const order::OrderLine &x = a[i], &y = b[i];
        if (x.id != y.id || x.name != y.name || x.manufactureCode != y.manufactureCode || x.number != y.number ||
            x.onStock != y.onStock || x.minStock != y.minStock || x.toOrder != y.toOrder || x.cost != y.cost)
            return false;
    }
    return true;
}

} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> t;
    qint32 filter = 0;

    void search(lookup::TfmMain& w, const QString& text) { testsupport::search(w, text); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        platform::setClockForTests([] { return kNow; });
        t = std::make_unique<testdb::TestDatabases>();
        filter = t->addPart({0, "OC90", "OE-90", "Фильтр Knecht", "", 12.0, 11.0, 10.0, 9.0, 5.0, {}});
        t->addPart({0, "OC91", "", "Свеча зажигания", "", 5.0, 4.0, 3.0, 2.0, 3.0, {}});
        t->addLine(testdb::income(filter, 2, 7.5, QDateTime(QDate(2026, 3, 1), QTime(10, 0))));
        t->addWarehouse({QStringLiteral("A"), QStringLiteral("Склад А")});
        t->dm();
    }

    void cleanupTestCase() { t.reset(); }

    void init() { data::markup() = {1.5f, 1.25f, 2.0f}; }

    // ---- settings file --------------------------------------------------

    void settingsSaveFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder;
        QTest::newRow("immutable file") << Fault::Immutable;
        QTest::newRow("full disk") << Fault::FullDisk;
    }

    // The markup options window cannot write its file: it says so, may be
    // left without saving, and neither the file nor the factors change.
    void settingsSaveFaults()
    {
        QFETCH(Fault, fault);
        Site site(fault);
        site.useAsProgramFolder();
        const QString ini = data::settingsPath();
        const QByteArray before = platform::toCp1251(
            QStringLiteral("; настройки кассы\r\n[Paths]\r\nAEDir=%1\r\n\r\n[Charges]\r\nOtherRate=1,5\r\n"
                           "OptRate=1,25\r\nRoznRate=2\r\n")
                .arg(t->enterprisePath()));
        writeBytes(ini, before);
        const QStringList listing = site.listing();

        DialogRecorder rec;
        rec.confirmAnswer = false;
        {
            windows::TfmOptions w;
            w.show();
            QCOMPARE(w.edOptRate->text(), QStringLiteral("1,25"));
            w.edOptRate->setText(QStringLiteral("3,5"));
            w.edRoznRate->setText(QStringLiteral("2,75"));

            const QString skip = site.lay(ini);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            w.close();
            QVERIFY(w.isVisible()); // "no" to leaving without saving
            rec.confirmAnswer = true;
            w.close();
            QVERIFY(!w.isVisible());
            site.lift();

            QCOMPARE(rec.boxes.size(), 2);
            for (const platform::BoxEvent& box : rec.boxes) {
                QCOMPARE(box.kind, BoxKind::Confirm);
                const QStringList parts = box.text.split(QLatin1Char('\r'));
                QVERIFY2(box.text.startsWith(kSettingsFailed + ini + QLatin1Char('\r')), qPrintable(box.text));
                QVERIFY2(parts.size() > 2 && !parts[2].trimmed().isEmpty(), qPrintable(box.text));
                if (fault == Fault::FullDisk)
                    QVERIFY2(parts[2].contains(site.fullDiskReason()), qPrintable(box.text));
            }
            qInfo("options window: %s", qPrintable(QString(rec.boxes[0].text).replace(QLatin1Char('\r'), " | ")));
        }
        QVERIFY2(differenceFrom(ini, before).isEmpty(), qPrintable(differenceFrom(ini, before)));
        QCOMPARE(site.listing(), listing);
        QCOMPARE(data::markup().other, 1.5f);
        QCOMPARE(data::markup().opt, 1.25f);
        QCOMPARE(data::markup().rozn, 2.0f);

        // The fault gone, the next window reads the file as it was and saves.
        rec.clear();
        windows::TfmOptions w;
        w.show();
        QCOMPARE(w.edOptRate->text(), QStringLiteral("1,25"));
        w.edOptRate->setText(QStringLiteral("3,5"));
        w.edRoznRate->setText(QStringLiteral("2,75"));
        w.close();
        QVERIFY(!w.isVisible());
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        QCOMPARE(data::markup().opt, 3.5f);
        QCOMPARE(data::markup().rozn, 2.75f);
        QByteArray after = before;
        after.replace("OptRate=1,25", "OptRate=3,5").replace("RoznRate=2\r", "RoznRate=2,75\r");
        QVERIFY2(differenceFrom(ini, after).isEmpty(), qPrintable(differenceFrom(ini, after)));
    }

    void startupStoreFaults_data() { settingsSaveFaults_data(); }

    // A database file picked at start cannot be stored: the start reports
    // "Unable to write to …" and goes on with the picked file, the settings
    // file stays as it was, and the next start stores the pick.
    void startupStoreFaults()
    {
        QFETCH(Fault, fault);
        Site site(fault);
        site.useAsProgramFolder();
        const QString ini = data::settingsPath();
        const QString gone = site.path(QStringLiteral("moved away/AENTER.GDB"));
        const QByteArray before = platform::toCp1251(
            QStringLiteral("[Paths]\r\nAEDir=%1\r\nVaderIzar=%2\r\n; Примечание\r\n[Charges]\r\nOptRate=1,25\r\n")
                .arg(gone, t->pricePath()));
        writeBytes(ini, before);
        t->disconnectAll(); // the data module of the test itself lets go of both files

        DialogRecorder rec;
        {
            data::TdmMain dm;
            rec.fileAnswers.push_back(t->enterprisePath());
            const QString skip = site.lay(ini);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            bool carryOn = true;
            platform::guarded([&] { carryOn = dm.DataModuleCreate(platform::desktopPrompts()); });
            site.lift();
            QVERIFY(carryOn);
            QCOMPARE(rec.fileRequests.size(), 1);
            QCOMPARE(rec.texts(BoxKind::Error), QStringList{QStringLiteral("Unable to write to ") + ini});
            QCOMPARE(rec.boxes.size(), 1);
            QVERIFY2(differenceFrom(ini, before).isEmpty(), qPrintable(differenceFrom(ini, before)));
            // This run uses the pick all the same; the reconnect ticks connect.
            QCOMPARE(dm.inside().ibdAE.databaseName(), t->enterprisePath());
            QCOMPARE(data::markup().opt, 1.25f);
            QVERIFY(dm.connectEnterprise());
            QVERIFY(dm.connectPrice());
        }

        rec.clear();
        rec.fileAnswers.push_back(t->enterprisePath());
        data::TdmMain dm;
        QVERIFY(dm.DataModuleCreate(platform::desktopPrompts()));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        QVERIFY(dm.inside().ibdAE.connected() && dm.inside().dbMain.connected());
        QByteArray after = before;
        after.replace(platform::toCp1251(gone), platform::toCp1251(t->enterprisePath()));
        QVERIFY2(differenceFrom(ini, after).isEmpty(), qPrintable(differenceFrom(ini, after)));
    }

    // The per-user alias records cannot be written (a locked profile): the
    // databases still open, the currency table with them, and neither the
    // start nor a refresh blames the database paths.
    void lockedAliasStore()
    {
        Site site(Fault::Immutable);
        site.useAsProgramFolder();
        t->writeSettings();
        t->disconnectAll();
        const QString store = platform::aliasStorePath();
        QVERIFY2(QFileInfo::exists(store), qPrintable(store)); // written by the first connects
        const QByteArray before = fileBytes(store).value_or(QByteArray());

        DialogRecorder rec;
        {
            const QString skip = site.lay(store);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            data::TdmMain dm;
            bool carryOn = false;
            platform::guarded([&] { carryOn = dm.DataModuleCreate(platform::desktopPrompts()); });
            QVERIFY(carryOn);
            QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
            QVERIFY(dm.inside().ibdAE.connected() && dm.inside().dbMain.connected());
            QVERIFY(dm.inside().taCurrency.isOpen());
            platform::guarded([&] { dm.refreshConnections(); });
            QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
            QVERIFY(dm.inside().taCurrency.isOpen());
            site.lift();
        }
        QVERIFY2(differenceFrom(store, before).isEmpty(), qPrintable(differenceFrom(store, before)));
    }

    // An unreadable settings file reads as defaults, as a missing one does;
    // but nothing ever writes over it: the options window says it cannot
    // save, and the file comes back unchanged when it is readable again.
    void unreadableSettingsFile()
    {
        Site site(Fault::Unreadable);
        site.useAsProgramFolder();
        const QString ini = data::settingsPath();
        const QByteArray before = platform::toCp1251(
            QStringLiteral("[Charges]\r\nOtherRate=1,5\r\nOptRate=1,25\r\nRoznRate=2\r\n; не трогать\r\n"));
        writeBytes(ini, before);

        DialogRecorder rec;
        rec.confirmAnswer = true;
        {
            const QString skip = site.lay(ini);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            windows::TfmOptions w;
            w.show();
            QCOMPARE(w.edOtherRate->text(), QStringLiteral("1"));
            QCOMPARE(w.edOptRate->text(), QStringLiteral("1"));
            w.close();
            QVERIFY(!w.isVisible());
            site.lift();
        }
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].kind, BoxKind::Confirm);
        QVERIFY2(rec.boxes[0].text.startsWith(kSettingsFailed + ini + QLatin1Char('\r')), qPrintable(rec.boxes[0].text));
        QVERIFY(!rec.boxes[0].text.contains(windows::kBadMarkup));
        QCOMPARE(data::markup().opt, 1.25f);
        QVERIFY2(differenceFrom(ini, before).isEmpty(), qPrintable(differenceFrom(ini, before)));

        windows::TfmOptions w;
        QCOMPARE(w.edOtherRate->text(), QStringLiteral("1,5"));
        QCOMPARE(w.edRoznRate->text(), QStringLiteral("2"));
    }

    // ---- search history ---------------------------------------------------

    void historySaveFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArray>("before"); // the file at start; empty: none
        QTest::addColumn<qint64>("room");       // what a full disk still takes
        const QByteArray crlf = "08.12.2026 09:00:00 OC90\r\n08.12.2026 09:05:00 Фильтр\r\n";
        const QByteArray lf = "08.12.2026 09:00:00 OC90\n08.12.2026 09:05:00 OC91\n";
        // 4096 bytes exactly: the file's last block is full, so an append
        // needs a new one; 7 short, the new line fits partly.
        auto sized = [](qsizetype size) {
            const QByteArray last = "08.12.2026 09:05:00 OC91\r\n";
            return "08.12.2026 09:00:00 " + QByteArray(size - 20 - 2 - last.size(), 'N') + "\r\n" + last;
        };
        QTest::newRow("read-only folder, no file yet") << Fault::ReadOnlyFolder << QByteArray() << qint64(0);
        QTest::newRow("read-only folder, LF line ends") << Fault::ReadOnlyFolder << lf << qint64(0);
        QTest::newRow("immutable file") << Fault::Immutable << crlf << qint64(0);
        QTest::newRow("full disk") << Fault::FullDisk << sized(4096) << qint64(0);
        QTest::newRow("disk fills mid-line") << Fault::FullDisk << sized(4096 - 7) << qint64(7);
    }

    // A search whose history line cannot be saved is reported after its
    // result is shown; the line waits in the list and goes out with the next
    // save that works, behind every line the file already held.
    void historySaveFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(QByteArray, before);
        QFETCH(qint64, room);
        before = platform::toCp1251(QString::fromUtf8(before));
        Site site(fault);
        site.useAsProgramFolder();
        const QString log = site.path(QStringLiteral("SearchedNum.log"));
        if (!before.isEmpty())
            writeBytes(log, before);
        const QStringList listing = site.listing();
        const QStringList old = lookup::splitHistoryLines(before);

        DialogRecorder rec;
        lookup::TfmMain w(t->dm());
        testsupport::holdTimers(w);
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(w.history().lines(), old);
        // The enterprise transaction runs before the fault: on a disk that
        // only a size limit makes full, the engine must not need to grow a file.
        t->dm().GetOnStock(filter);

        {
            const QString skip = site.lay(log, room, true);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            search(w, QStringLiteral("OC90"));
            search(w, QStringLiteral("ЯЯ"));
            site.lift();
        }
        const QStringList errors = rec.texts(BoxKind::Error);
        QCOMPARE(rec.boxes.size(), 2);
        QCOMPARE(errors.size(), 2);
        for (const QString& e : errors) {
            const QString why = badReason(e, QStringLiteral("Cannot create file %1. ").arg(quotedNative(log)));
            QVERIFY2(why.isEmpty(), qPrintable(why));
            if (fault == Fault::FullDisk)
                QVERIFY2(e.contains(site.fullDiskReason()), qPrintable(e));
        }
        qInfo("history: %s", qPrintable(errors[0]));
        // The search itself went through; only its record waits.
        QCOMPARE(w.edNumber->text(), QStringLiteral("ЯЯ"));
        QVERIFY(w.UpdateTimer.isActive());
        const QStringList waiting{QStringLiteral("09.12.2026 14:30:05 OC90"), QStringLiteral("09.12.2026 14:30:05 ЯЯ")};
        QCOMPARE(w.history().lines(), old + waiting);
        if (before.isEmpty()) {
            QVERIFY(!QFileInfo::exists(log));
        } else {
            QVERIFY2(differenceFrom(log, before).isEmpty(), qPrintable(differenceFrom(log, before)));
        }
        QCOMPARE(site.listing(), listing);

        rec.clear();
        search(w, QStringLiteral("OC91"));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        const QStringList all = old + waiting + QStringList{QStringLiteral("09.12.2026 14:30:05 OC91")};
        QCOMPARE(w.history().lines(), all);
        const QByteArray expected = lookup::joinHistoryLines(all);
        QVERIFY2(differenceFrom(log, expected).isEmpty(), qPrintable(differenceFrom(log, expected)));
    }

    // A history file that cannot be read: reported when the main window
    // opens and when the history window is asked for; the searches go on,
    // and no save replaces the unread lines.
    void unreadableHistoryFile()
    {
        Site site(Fault::Unreadable);
        site.useAsProgramFolder();
        const QString log = site.path(QStringLiteral("SearchedNum.log"));
        const QByteArray before = platform::toCp1251(QStringLiteral("07.12.2026 08:00:00 Старая строка\r\n"));
        writeBytes(log, before);
        const QString opening = QStringLiteral("Cannot open file %1. ").arg(quotedNative(log));

        DialogRecorder rec;
        std::unique_ptr<lookup::TfmMain> w;
        bool windowShown = false;
        {
            const QString skip = site.lay(log);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            w = std::make_unique<lookup::TfmMain>(t->dm());
            testsupport::holdTimers(*w);
            w->show();
            search(*w, QStringLiteral("OC90"));
            {
                testsupport::OnModal take([&](QWidget* modal) {
                    auto* m = qobject_cast<lookup::TfmSearchLog*>(modal);
                    if (m) {
                        windowShown = true;
                        m->reject();
                    }
                    return m != nullptr;
                });
                ModalGuard guard;
                w->miSearchLog->trigger();
            }
            site.lift();
        }
        const QStringList errors = rec.texts(BoxKind::Error);
        QCOMPARE(errors.size(), 3); // opening the main window, saving, the history window
        for (const QString& e : errors) {
            const QString why = badReason(e, opening);
            QVERIFY2(why.isEmpty(), qPrintable(why));
        }
        qInfo("history: %s", qPrintable(errors[0]));
        QVERIFY(!windowShown);
        QVERIFY(w->isVisible());
        QCOMPARE(w->edRozn->text(), QStringLiteral("12"));
        QCOMPARE(w->history().lines(), QStringList{QStringLiteral("09.12.2026 14:30:05 OC90")});
        QVERIFY2(differenceFrom(log, before).isEmpty(), qPrintable(differenceFrom(log, before)));

        rec.clear();
        search(*w, QStringLiteral("OC91"));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        const QByteArray expected =
            before + platform::toCp1251(QStringLiteral("09.12.2026 14:30:05 OC90\r\n09.12.2026 14:30:05 OC91\r\n"));
        QVERIFY2(differenceFrom(log, expected).isEmpty(), qPrintable(differenceFrom(log, expected)));
        QCOMPARE(w->history().lines().size(), 3);
    }

    // ---- order files --------------------------------------------------------

    void orderExportFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("extraRows");
        QTest::addColumn<qint64>("room");
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder << 0 << qint64(0);
        QTest::newRow("immutable file") << Fault::Immutable << 0 << qint64(0);
        QTest::newRow("folder in its place") << Fault::FolderInPlace << 0 << qint64(0);
        QTest::newRow("full disk") << Fault::FullDisk << 0 << qint64(0);
        QTest::newRow("disk fills mid-write") << Fault::FullDisk << 600 << qint64(8192);
    }

    // An order that cannot be saved is reported; the old file, the rows on
    // screen and their totals stay, no scrap is left in the folder, and the
    // next export writes the file.
    void orderExportFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(int, extraRows);
        QFETCH(qint64, room);
        Site site(fault);
        const QString path = site.path(QStringLiteral("Склад А.csv"));
        const QByteArray before = platform::toCp1251(QStringLiteral("Код\tНаименование\r\n7\tПрошлый заказ\r\n"));
        writeBytes(path, before);

        order::TfmOrder w(t->dm());
        w.show();
        w.cbSort->setCurrentIndex(0);
        w.cbSortChange();
        QCOMPARE(w.mtOrder.count(), 2);
        for (int i = 0; i < extraRows; ++i) {
            order::OrderLine l;
            l.id = 1000 + i;
            l.name = QStringLiteral("Деталь по старому заказу номер %1").arg(i);
            l.manufactureCode = QStringLiteral("X-%1").arg(i);
            l.toOrder = 2;
            l.cost = 10.25;
            w.mtOrder.append(l);
        }
        const std::vector<order::OrderLine> rows = w.mtOrder.rows();
        const double total = w.mtOrder.total();
        const QString footer = w.footerText(0, int(order::OrderField::SumCost));
        if (extraRows > 0)
            QVERIFY(order::exportOrder(rows).size() > 4 * room);

        DialogRecorder rec;
        {
            const QString skip = site.lay(path, room);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            const QStringList listing = site.listing();
            rec.fileAnswers.push_back(path);
            w.sbExportClick();
            QCOMPARE(site.listing(), listing);
            if (fault == Fault::FolderInPlace)
                QCOMPARE(fileBytes(path + QStringLiteral("/inside.txt")).value_or("?"), QByteArray("kept"));
            site.lift();
        }
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].kind, BoxKind::Error);
        const QString why = badReason(rec.boxes[0].text, QStringLiteral("Cannot create file %1. ").arg(quotedNative(path)));
        QVERIFY2(why.isEmpty(), qPrintable(why));
        if (fault == Fault::FullDisk)
            QVERIFY2(rec.boxes[0].text.contains(site.fullDiskReason()), qPrintable(rec.boxes[0].text));
        qInfo("order export: %s", qPrintable(rec.boxes[0].text));
        if (fault != Fault::FolderInPlace)
            QVERIFY2(differenceFrom(path, before).isEmpty(), qPrintable(differenceFrom(path, before)));
        QVERIFY(sameLines(w.mtOrder.rows(), rows));
        QCOMPARE(w.mtOrder.total(), total);
        QCOMPARE(w.footerText(0, int(order::OrderField::SumCost)), footer);

        rec.clear();
        rec.fileAnswers.push_back(path);
        w.sbExportClick();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        const QByteArray expected = order::exportOrder(rows);
        QVERIFY2(differenceFrom(path, expected).isEmpty(), qPrintable(differenceFrom(path, expected)));
    }

    void orderImportFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("unreadable file") << Fault::Unreadable;
        QTest::newRow("folder in its place") << Fault::FolderInPlace;
    }

    // An order file that cannot be opened is reported and adds nothing; the
    // rows on screen stay, and the file reads once it can be read.
    void orderImportFaults()
    {
        QFETCH(Fault, fault);
        Site site(fault);
        const QString path = site.path(QStringLiteral("Заказ поставщику.csv"));
        const QByteArray bytes = platform::toCp1251(
            QStringLiteral("Код\tНаименование\tЗаказать\tСтоимость\r\n501\tРемень ГРМ\t2\t10\r\n502\tРолик\t1\t4\r\n"));
        writeBytes(path, bytes);

        order::TfmOrder w(t->dm());
        w.show();
        w.cbSort->setCurrentIndex(0);
        w.cbSortChange();
        const std::vector<order::OrderLine> rows = w.mtOrder.rows();
        const double total = w.mtOrder.total();

        DialogRecorder rec;
        {
            const QString skip = site.lay(path);
            if (!skip.isEmpty())
                QSKIP(qPrintable(skip));
            rec.fileAnswers.push_back(path);
            w.sbOpenOrderClick();
            site.lift();
        }
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].kind, BoxKind::Error);
        const QString why = badReason(rec.boxes[0].text, QStringLiteral("Cannot open file %1. ").arg(quotedNative(path)));
        QVERIFY2(why.isEmpty(), qPrintable(why));
        qInfo("order import: %s", qPrintable(rec.boxes[0].text));
        QVERIFY(sameLines(w.mtOrder.rows(), rows));
        QCOMPARE(w.mtOrder.total(), total);

        if (fault == Fault::FolderInPlace)
            writeBytes(path, bytes);
        QVERIFY2(differenceFrom(path, bytes).isEmpty(), qPrintable(differenceFrom(path, bytes)));
        rec.clear();
        rec.fileAnswers.push_back(path);
        w.sbOpenOrderClick();
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join(QLatin1Char('|'))));
        QCOMPARE(w.mtOrder.count(), int(rows.size()) + 2);
        QCOMPARE(w.mtOrder.total(), total + 24);
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
