#include "lookup/TfmSearchLog.h"

#include "platform/ErrorHandler.h"
#include "lookup/HistoryFile.h"
#include "lookup/Icons.h"
#include "lookup/UpperCaseEdit.h"
#include "platform/Desktop.h"
#include "platform/Regional.h"
#include "platform/WindowPlace.h"

#include <QDateEdit>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

namespace lookup {

TfmSearchLog::TfmSearchLog(const QString& historyPath, std::function<bool(const QString&)> moveToCalc,
                           QWidget* parent)
    : QDialog(parent), moveToCalc_(std::move(moveToCalc))
{
    setWindowTitle(QStringLiteral("Лог поиска"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(492, 480);

    auto* bar = new QWidget(this);
    bar->setFixedHeight(35);
    auto* tools = new QHBoxLayout(bar);
    tools->setContentsMargins(6, 4, 6, 4);
    QFont bold = font();
    bold.setBold(true);
    Label1 = new QLabel(QStringLiteral("Переход на дату:"), bar);
    Label1->setFont(bold);
    dpDate = new QDateEdit(bar);
    dpDate->setCalendarPopup(true);
    dpDate->setDisplayFormat(platform::Regional::current().shortDateFormat);
    Bevel1 = new QFrame(bar);
    Bevel1->setFrameShape(QFrame::VLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Label2 = new QLabel(QStringLiteral("Поиск:"), bar);
    Label2->setFont(bold);
    edSearch = new QLineEdit(bar);
    makeUpperCase(edSearch);
    bbSearch = new QPushButton(bar);
    bbSearch->setIcon(searchIcon(18));
    bbSearch->setFixedSize(26, 24);
    bbSearch->setDefault(true);
    bbSearch->setAutoDefault(true);
    bbSearch->setAccessibleName(QStringLiteral("Найти"));
    Label1->setBuddy(dpDate);
    Label2->setBuddy(edSearch);
    tools->addWidget(Label1);
    tools->addWidget(dpDate);
    tools->addWidget(Bevel1);
    tools->addWidget(Label2);
    tools->addWidget(edSearch, 1);
    tools->addWidget(bbSearch);

    mSearchLog = new QTextEdit(this);
    mSearchLog->setAcceptRichText(false);
    mSearchLog->setAccessibleName(QStringLiteral("История поиска"));
    mSearchLog->setLineWrapMode(QTextEdit::WidgetWidth);
    mSearchLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mSearchLog->setContextMenuPolicy(Qt::CustomContextMenu);
    pmSearchLog = new QMenu(this);
    miCopy = pmSearchLog->addAction(QStringLiteral("Копировать"));
    miMoveToCalc = pmSearchLog->addAction(QStringLiteral("В калькулятор..."));
    connect(mSearchLog, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) {
                const QPoint at = mSearchLog->viewport()->mapToGlobal(p);
                platform::guardedFor(this, [this, at] { pmSearchLog->popup(at); });
            });
    connect(miCopy, &QAction::triggered, this, platform::guard(this, [this] { miCopyClick(); }));
    connect(miMoveToCalc, &QAction::triggered, this, platform::guard(this, [this] { miMoveToCalcClick(); }));

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    col->addWidget(bar);
    col->addWidget(mSearchLog, 1);

    FormCreate(historyPath);
    // Connected after the date is set, so that opening does not jump.
    connect(dpDate, &QDateEdit::dateChanged, this, platform::guard(this, [this] { dpDateChange(); }));
    connect(bbSearch, &QPushButton::clicked, this, platform::guard(this, [this] { bbSearchClick(); }));
    connect(this, &QDialog::finished, this, &TfmSearchLog::FormClose);

    platform::placeWindow(this);
}

void TfmSearchLog::FormCreate(const QString& historyPath)
{
    dpDate->setDate(platform::now().date());
    mSearchLog->setPlainText(HistoryFile::readForView(historyPath).join(QLatin1Char('\n')));
}

void TfmSearchLog::FormClose()
{
    // The view held the whole file: its memory goes back now, not when the
    // opener lets the window go, and nothing typed into it outlives it (the
    // next opening reads the file afresh).
    mSearchLog->clear();
}

void TfmSearchLog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfmSearchLog::FormShow()
{
    mSearchLog->setFocus();
    QTextCursor c = mSearchLog->textCursor();
    c.movePosition(QTextCursor::End);
    mSearchLog->setTextCursor(c);
    mSearchLog->ensureCursorVisible();
}

QString TfmSearchLog::selectedText() const
{
    QString t = mSearchLog->textCursor().selectedText();
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return t;
}

void TfmSearchLog::dpDateChange()
{
    mSearchLog->setFocus();
    const QString day = platform::formatShortDate(dpDate->date(), platform::Regional::current());
    QTextCursor found = mSearchLog->document()->find(day, 0);
    if (found.isNull()) {
        found = mSearchLog->textCursor();
        found.movePosition(QTextCursor::End);
    }
    mSearchLog->setTextCursor(found);
    mSearchLog->ensureCursorVisible();
}

void TfmSearchLog::bbSearchClick()
{
    const QTextCursor cur = mSearchLog->textCursor();
    const int from = cur.hasSelection() ? cur.selectionEnd() : 0;
    const QString what = edSearch->text();
    if (what.isEmpty())
        return; // nothing to look for: leave the view as it is
    const QTextCursor found = mSearchLog->document()->find(what, from);
    if (found.isNull())
        return;
    mSearchLog->setFocus();
    mSearchLog->setTextCursor(found);
    mSearchLog->ensureCursorVisible();
}

void TfmSearchLog::miCopyClick()
{
    const QString t = selectedText();
    if (!t.isEmpty())
        platform::setClipboardText(t);
}

void TfmSearchLog::miMoveToCalcClick()
{
    const QString t = selectedText();
    // A search that failed has shown its error; the history stays open.
    if (moveToCalc_ && !moveToCalc_(t))
        return;
    accept();
}

} // namespace lookup
