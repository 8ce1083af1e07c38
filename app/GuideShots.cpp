// Takes the pictures of the user guide from the running program: the real
// start sequence on the databases of the current folder, real lookups, and
// every window opened through its own command and grabbed from the screen
// with its frame. scripts/screenshots.sh runs it under Xvfb with a window
// manager on fresh demo databases.
//
//   orvado-shots PICTURE_FOLDER EXECUTABLE_STAND_IN
//
// The settings file, the history file and the price database are looked up
// beside EXECUTABLE_STAND_IN instead of beside this program, so a scratch
// folder serves and the user's own files are never touched.

#include "app/Application.h"
#include "data/TdmMain.h"
#include "lookup/TfmMain.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/TfmOrder.h"
#include "platform/Desktop.h"
#include "platform/Translations.h"
#include "platform/Waiting.h"
#include "windows/MovesModel.h"
#include "windows/TfmMoves.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString g_folder;
int g_failures = 0;

// Lets the window system and the program run for a while: windows are
// mapped, framed by the window manager and painted.
void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

void fail(const QString& what)
{
    std::fprintf(stderr, "orvado-shots: %s\n", qPrintable(what));
    ++g_failures;
}

// The window as the user sees it, its frame included, into NAME.png.
void shoot(QWidget* w, const QString& name)
{
    w->raise();
    w->activateWindow();
    settle(700);
    const QRect frame = w->frameGeometry();
    const QPixmap shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (shot.isNull() || !shot.save(path))
        return fail(QStringLiteral("could not save %1").arg(path));
    std::printf("%s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
}

// Hands the modal window the next command opens to `take`, which pictures
// it and closes it, so the command returns. It looks for the window every few
// milliseconds, and only while no command waits for a database: the windows
// keep answering during such a wait, and the window is not up yet.
void onModal(const QString& name, std::function<void(QDialog*)> take)
{
    auto* poll = new QTimer;
    QElapsedTimer since;
    since.start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, since, name, take] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (d && platform::waitsRunning() == 0) {
            poll->stop();
            poll->deleteLater();
            take(d);
        } else if (since.elapsed() > 10000) {
            poll->stop();
            poll->deleteLater();
            fail(QStringLiteral("no window opened for %1").arg(name));
        }
    });
    poll->start(20);
}

void shootModal(const QString& name)
{
    onModal(name, [name](QDialog* d) {
        shoot(d, name);
        d->reject();
    });
}

// A lookup from the page "Поиск", as after Backspace in the empty field.
void lookUp(lookup::TfmMain& w, const QString& number)
{
    w.pcTabs->setCurrentWidget(w.tsFindNum);
    w.searchNumber(number);
    settle(200);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    platform::loadToolkitTranslations();
    if (argc != 3) {
        std::fputs("usage: orvado-shots PICTURE_FOLDER EXECUTABLE_STAND_IN\n", stderr);
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    platform::setExePathForTests(QString::fromLocal8Bit(argv[2]));

    const std::unique_ptr<app::Program> program = app::start();
    if (!program)
        return 1;
    lookup::TfmMain& w = *program->main;
    w.show();
    settle(1000);
    w.Timer3Timer(); // the EUR rate for the order's total now, not three seconds on

    // Lookups of the last days, for the history: each at its own hour of an
    // earlier day, then the clock is the desk's own again.
    const QDateTime today = QDateTime::currentDateTime();
    const struct {
        const char* number;
        int daysAgo;
        int hour, minute;
    } earlier[] = {{"GDB1655", 3, 9, 12}, {"OP 602/7", 3, 11, 40}, {"АП-1127", 2, 10, 5},
                   {"K20TT", 1, 15, 27}, {"OC 480", 1, 17, 2}};
    for (const auto& e : earlier) {
        const QDateTime at(today.date().addDays(-e.daysAgo), QTime(e.hour, e.minute, 31));
        platform::setClockForTests([at] { return at; });
        lookUp(w, QString::fromUtf8(e.number));
    }
    platform::setClockForTests(nullptr);

    // Several parts share an OE number: the list of matches.
    lookUp(w, QStringLiteral("8200542739"));
    shoot(&w, QStringLiteral("main-list"));

    // A part with receipts, issues and a reserve: its movements, the cursor
    // stepped down by a document number typed into the search field.
    lookUp(w, QStringLiteral("3000 996 941"));
    onModal(QStringLiteral("moves"), [](QDialog* d) {
        auto* moves = static_cast<windows::TfmMoves*>(d);
        const int rows = moves->dsMovements->rowCount();
        if (rows > 3) {
            if (const std::optional<qint32> number = moves->dsMovements->row(rows - 3).document)
                moves->edDocNum->setText(QString::number(*number));
        }
        shoot(moves, QStringLiteral("moves"));
        moves->reject();
    });
    w.sbMovesClick();

    // One match: stock and prices, then its cross numbers and replacements.
    lookUp(w, QStringLiteral("OC 480"));
    shoot(&w, QStringLiteral("main-prices"));
    shootModal(QStringLiteral("replacements"));
    w.sbCrossListClick();
    w.pcTabs->setCurrentWidget(w.tsFindNum);
    shoot(&w, QStringLiteral("main-cross"));

    shootModal(QStringLiteral("history"));
    w.miSearchLogClick();

    // The order of the main warehouse, sorted by name, with its totals.
    onModal(QStringLiteral("order"), [](QDialog* d) {
        auto* o = static_cast<order::TfmOrder*>(d);
        o->cbSort->setCurrentIndex(0);
        o->cbSortChange();
        if (o->dsOrder->rowCount() > 2)
            o->dgOrder->setCurrentIndex(o->dsOrder->index(2, 2));
        shoot(o, QStringLiteral("order"));
        o->bbCloseClick();
    });
    w.sbOrderClick();

    shootModal(QStringLiteral("options"));
    w.miOptionsClick();
    shootModal(QStringLiteral("currency"));
    w.miCurrenciesClick();

    return g_failures == 0 ? 0 : 1;
}
