#include "data/TdmMain.h"
#include "lookup/PartLookup.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmCrossList.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QtTest>

using windows::TfmCrossList;

class TestTfmCrossList : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> tdb_;
    std::unique_ptr<lookup::PartLookup> lookup_;
    QStringList searched_;

    data::TdmMain& dm() { return tdb_->dm(); }
    auto searcher()
    {
        return [this](const QString& n) {
            searched_ << n;
            return true;
        };
    }
    // Runs the part list as the number search does, puts its cursor on the
    // part, and hands over its remark as the main window does.
    QString remarkOn(const QString& code)
    {
        lookup_ = std::make_unique<lookup::PartLookup>(dm());
        lookup_->FindParts(QString());
        const lookup::PartList& parts = lookup_->view().parts;
        for (int r = 0; r < parts.count(); ++r)
            if (parts.rows->at(size_t(r)).manufactureCode == code)
                lookup_->moveParts(r);
        if (!parts.hasRow() || parts.cursorRow().manufactureCode != code)
            qWarning("part %s not in the list", qPrintable(code));
        return lookup_->partsCursorRemark();
    }
    static QStringList entries(const TfmCrossList& w)
    {
        QStringList out;
        for (int i = 0; i < w.lbCross->count(); ++i)
            out << w.lbCross->item(i)->text();
        return out;
    }
    static void doubleClick(TfmCrossList& w, int row)
    {
        QListWidgetItem* item = w.lbCross->item(row);
        const QPoint at = w.lbCross->visualItemRect(item).center();
        QTest::mouseClick(w.lbCross->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.lbCross->viewport(), Qt::LeftButton, {}, at);
    }
    // exec()s the window and runs act from inside it; a guard ends a window
    // that stays open. Returns exec()'s result, or -1 when the guard ended it.
    static int execWith(TfmCrossList& w, const std::function<void()>& act)
    {
        QTimer::singleShot(0, &w, act);
        bool guarded = false;
        QTimer::singleShot(5000, &w, [&]() {
            guarded = true;
            w.hide();
        });
        const int r = w.exec();
        return guarded ? -1 : r;
    }

private slots:
    void initTestCase()
    {
        tdb_ = std::make_unique<testdb::TestDatabases>();
        tdb_->addPart({.manufactureCode = "A-100", .remark = "0451103079\r\n0986452008 замена с 2010\r\n\r\nW 712/80"});
        tdb_->addPart({.manufactureCode = "B-200", .remark = "111\n222\n333\n"});
        tdb_->addPart({.manufactureCode = "C-300"}); // no remark
    }
    void cleanupTestCase() { tdb_.reset(); }
    void init() { searched_.clear(); }

    // The entries are the lines of the cursor row's remark, nothing selected.
    void entriesComeFromTheCursorRow_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("crlf, empty middle line, comment kept")
            << "A-100" << QStringList{"0451103079", "0986452008 замена с 2010", "", "W 712/80"};
        QTest::newRow("null remark") << "C-300" << QStringList{};
    }
    void entriesComeFromTheCursorRow()
    {
        QFETCH(QString, code);
        QFETCH(QStringList, expected);
        TfmCrossList w(remarkOn(code), searcher());
        QCOMPARE(entries(w), expected);
        QVERIFY(w.lbCross->selectedItems().isEmpty());
    }

    // A closed part list (as after the periodic refresh) reads as no remark.
    void closedPartListGivesEmptyList()
    {
        remarkOn("A-100");
        lookup_->connectionsClosed();
        TfmCrossList w(lookup_->partsCursorRemark(), searcher());
        QCOMPARE(w.lbCross->count(), 0);
    }

    // The entry goes to the search whole (an empty one too), the search runs
    // while the window is open, then the window closes.
    void doubleClickSearchesAndCloses_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("sent");
        QTest::newRow("number with comment") << 1 << "0986452008 замена с 2010";
        QTest::newRow("empty entry") << 2 << QString();
    }
    void doubleClickSearchesAndCloses()
    {
        QFETCH(int, entry);
        QFETCH(QString, sent);
        TfmCrossList w(remarkOn("A-100"), [&](const QString& n) {
            [&] { QVERIFY(w.isVisible()); }();
            searched_ << n;
            return true;
        });
        QCOMPARE(execWith(w, [&]() { doubleClick(w, entry); }), int(QDialog::Accepted));
        QCOMPARE(searched_, QStringList{sent});
        QCOMPARE(w.lbCross->count(), 0); // nothing of the closed window stays

    }

    // A search that failed (its error already shown by the main window)
    // leaves the list open for another entry.
    void failedSearchKeepsTheWindowOpen()
    {
        TfmCrossList w(remarkOn("A-100"), [&](const QString& n) {
            searched_ << n;
            return false;
        });
        const int r = execWith(w, [&]() {
            doubleClick(w, 0);
            QVERIFY(w.isVisible());
            w.close();
        });
        QCOMPARE(r, int(QDialog::Rejected));
        QCOMPARE(searched_, QStringList{"0451103079"});
    }

    // A right click selects no entry and keeps the one selected before: the
    // menu's copy takes the entry the user had picked.
    void rightClickSelectsNothing()
    {
        TfmCrossList w(remarkOn("B-200"), searcher());
        w.show();
        auto centre = [&](int row) { return w.lbCross->visualItemRect(w.lbCross->item(row)).center(); };
        QTest::mouseClick(w.lbCross->viewport(), Qt::RightButton, {}, centre(1));
        QVERIFY(w.lbCross->selectedItems().isEmpty());
        QTest::mouseClick(w.lbCross->viewport(), Qt::LeftButton, {}, centre(0));
        QTest::mouseClick(w.lbCross->viewport(), Qt::RightButton, {}, centre(2));
        QCOMPARE(w.lbCross->selectedItems().size(), 1);
        QCOMPARE(w.lbCross->selectedItems().first()->text(), QStringLiteral("111"));
        w.pmCross->close();
    }

    void copyPutsTheEntryOnTheClipboard()
    {
        TfmCrossList w(remarkOn("B-200"), searcher());
        w.lbCross->item(1)->setSelected(true);
        w.N1->trigger();
        QCOMPARE(platform::clipboardText(), QStringLiteral("222"));
        QVERIFY(searched_.isEmpty());
    }

    // With no entry selected both commands do nothing: no error, the window
    // stays open, the clipboard keeps what it had.
    void nothingSelectedDoesNothing()
    {
        platform::DialogRecorder rec;
        platform::setClipboardText(QStringLiteral("before"));
        for (const QString& code : {QStringLiteral("B-200"), QStringLiteral("C-300")}) {
            TfmCrossList w(remarkOn(code), searcher());
            const int r = execWith(w, [&]() {
                w.lbCross->setFocus(); // focus gives a current row, not a selection
                w.N1->trigger();
                w.lbCrossDblClick();
                QVERIFY(w.isVisible());
                w.close();
            });
            QCOMPARE(r, int(QDialog::Rejected));
        }
        QVERIFY(rec.boxes.isEmpty());
        QVERIFY(searched_.isEmpty());
        QCOMPARE(platform::clipboardText(), QStringLiteral("before"));
    }
};

QTEST_MAIN(TestTfmCrossList)
#include "tst_tfmcrosslist.moc"
