#include "lookup/TfmMain.h"

#include "data/TdmMain.h"
#include "platform/Desktop.h"
#include "platform/Places.h"
#include "platform/ErrorHandler.h"
#include "platform/Failure.h"
#include "platform/RefreshHold.h"
#include "platform/WindowPlace.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

namespace lookup {

TfmMain::TfmMain(data::TdmMain& dm, QWidget* parent)
    : QMainWindow(parent), dm_(dm), lookup_(dm), history_(platform::places().historyFile)
{
    buildWindow();
    buildMenu();

    Timer1.setInterval(1000);
    Timer2.setInterval(1000);
    Timer3.setInterval(3000);
    UpdateTimer.setInterval(60000);
    connect(&Timer1, &QTimer::timeout, this, &TfmMain::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TfmMain::Timer2Timer);
    connect(&Timer3, &QTimer::timeout, this, &TfmMain::Timer3Timer);
    connect(&UpdateTimer, &QTimer::timeout, this, [this] {
        // While the last refresh's error box is open the tick leaves its turn
        // to the next one (a server that stays down shows one box, not one a
        // minute); so it does while a window shows rows or holds changes.
        platform::ticked(&UpdateTimer, [this] {
            if (!platform::refreshHeld())
                miDataBaseUpdateClick();
        });
    });
    UpdateTimer.start();

    FormCreate();
}

TfmMain::~TfmMain()
{
    FormDestroy();
}

void TfmMain::setOrderWindow(order::TfmOrder* w)
{
    order_ = w;
}

void TfmMain::setPanel(int i, const QString& text)
{
    QLabel* panel = sbPanels.at(static_cast<size_t>(i));
    panel->setText(text);
    panel->setToolTip(text); // a part's name is longer than its panel
}

QString TfmMain::panelText(int i) const
{
    return sbPanels.at(static_cast<size_t>(i))->text();
}

void TfmMain::FormCreate()
{
    pcTabs->setCurrentWidget(tsFindNum);
    // An unreadable history file is reported; the window still comes up, and
    // the file's lines are kept when the next search saves.
    platform::guarded([this] { history_.load(); });
    Timer1.start();
    Timer2.start();
    Timer3.start();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    platform::placeWindow(this);
    edNumber->setFocus();
}

void TfmMain::FormDestroy()
{
    dm_.closeEnterprise();
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Backspace in the empty field is taken (it shows the search page);
        // every other key goes on to the field.
        if (watched == edNumber && key->key() == Qt::Key_Backspace && edNumber->text().isEmpty()) {
            platform::guardedFor(this, [this] { edNumberKeyPress(QChar(8)); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::keyPressEvent(QKeyEvent* event)
{
    // bbSearch is the window's default button: Enter that no control took
    // for itself (the number field, the check box, the quantity and price
    // fields, the grids) presses it. A main window has no default button of
    // its own, so the press is made here.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        bbSearch->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace lookup
