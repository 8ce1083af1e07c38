// The main window's menu, its commands that open other windows, and its timers.

#include "lookup/TfmMain.h"

#include "data/TdmMain.h"
#include "lookup/Help.h"
#include "lookup/TfmSearchLog.h"
#include "order/TfmOrder.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "platform/Failure.h"
#include "windows/TfmCrossList.h"
#include "windows/TfmCurrency.h"
#include "windows/TfmMoves.h"
#include "windows/TfmOptions.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

namespace lookup {

namespace {

const QString kAuthorSite = QStringLiteral("https://tovrin-zevaveraz.example");
const QString kAuthorMail = QStringLiteral("author@tovrin-zevaveraz.example");

} // namespace

void TfmMain::buildMenu()
{
    mmMain = menuBar();
    auto add = [this](QMenu* menu, const QString& text, void (TfmMain::*handler)()) {
        QAction* a = menu->addAction(text);
        connect(a, &QAction::triggered, this, platform::guard(this, [this, handler] { (this->*handler)(); }));
        return a;
    };
    QMenu* system = mmMain->addMenu(QStringLiteral("Система"));
    miDataBaseUpdate = add(system, QStringLiteral("Обновить данные"), &TfmMain::miDataBaseUpdateClick);
    miOptions = add(system, QStringLiteral("Настройки"), &TfmMain::miOptionsClick);
    QMenu* lists = mmMain->addMenu(QStringLiteral("Списки"));
    miCurrencies = add(lists, QStringLiteral("Валюты..."), &TfmMain::miCurrenciesClick);
    miSearchLog = add(lists, QStringLiteral("История поиска..."), &TfmMain::miSearchLogClick);
    miCrossList = add(lists, QStringLiteral("Замены..."), &TfmMain::sbCrossListClick);
    QMenu* orderMenu = mmMain->addMenu(QStringLiteral("Заказ"));
    miFullOrder = add(orderMenu, QStringLiteral("Общий заказ..."), &TfmMain::sbOrderClick);
    QMenu* help = mmMain->addMenu(QStringLiteral("?"));
    miHelp = add(help, QStringLiteral("Помощь..."), &TfmMain::miHelpClick);
    miEmailAuthor = add(help, QStringLiteral("Письмо автору..."), &TfmMain::miEmailAuthorClick);
    miAbout = add(help, QStringLiteral("О программе.."), &TfmMain::miAboutClick);
}

void TfmMain::sbClientClick()
{
    sbMain->setVisible(!sbClient->isChecked());
}

void TfmMain::sbCrossListClick()
{
    if (CurrentPartID() == 0)
        return;
    windows::TfmCrossList w(lookup_.partsCursorRemark(), [this](const QString& n) { return searchNumber(n); }, this);
    w.exec();
}

void TfmMain::sbMovesClick()
{
    if (CurrentPartID() == 0 || stOst->text().isEmpty())
        return;
    windows::TfmMoves w(dm_, CurrentPartID(), this);
    w.exec();
}

void TfmMain::sbOrderClick()
{
    if (order_)
        order_->execOrder();
}

void TfmMain::miDataBaseUpdateClick()
{
    if (!edNumber->text().isEmpty() || pcTabs->currentWidget() != tsFindNum)
        return;
    // Closing the enterprise connection closes the lists and the price row.
    syncLookup();
    lookup_.connectionsClosed();
    render();
    dm_.refreshConnections();
}

void TfmMain::miOptionsClick()
{
    windows::TfmOptions w(this);
    w.exec();
}

void TfmMain::miCurrenciesClick()
{
    windows::TfmCurrency w(dm_, this);
    w.exec();
}

void TfmMain::miSearchLogClick()
{
    // Before the first search there is no file yet: that is an empty history.
    TfmSearchLog w(history_.path(), [this](const QString& n) { return searchNumber(n); }, this);
    w.exec();
}

void TfmMain::miHelpClick()
{
    platform::shellOpen(helpDocument());
}

void TfmMain::miEmailAuthorClick()
{
    platform::shellOpen(QStringLiteral("mailto:") + kAuthorMail);
}

void TfmMain::miAboutClick()
{
    platform::showAbout(QStringLiteral("О программе Tovrin VaderIzar"),
                        QStringLiteral("Сайт: %1\nПочта: %2").arg(kAuthorSite, kAuthorMail), this);
}

// ---- Timers ----------------------------------------------------------------

// A failed connect is reported and tried again on the next tick; a tick that
// comes while its error box is still open, or while a command waits for a
// server, leaves its turn to the next one (platform::ticked).
void TfmMain::connectTick(QTimer& timer, bool enterprise)
{
    platform::ticked(&timer, [&] {
        if (enterprise ? dm_.connectEnterprise() : dm_.connectPrice())
            timer.stop();
    });
}

void TfmMain::Timer1Timer()
{
    connectTick(Timer1, true);
}

void TfmMain::Timer2Timer()
{
    connectTick(Timer2, false);
}

void TfmMain::Timer3Timer()
{
    platform::ticked(&Timer3, [this] {
        const double rate = dm_.fetchEuroRate();
        // The fetch got through: it is not tried again, found or not.
        Timer3.stop();
        if (rate == 0)
            platform::showError(QStringLiteral("Валюта EUR не найдена!!!"), this);
    });
}

} // namespace lookup
