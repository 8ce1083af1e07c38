#include "windows/TfmCrossList.h"

#include "platform/ErrorHandler.h"
#include "platform/Desktop.h"
#include "platform/FormFont.h"
#include "platform/WindowPlace.h"
#include "windows/RemarkSplit.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QMenu>
#include <QVBoxLayout>

namespace windows {

TfmCrossList::TfmCrossList(const QString& remark, std::function<bool(const QString&)> searchNumber, QWidget* parent)
    : QDialog(parent), searchNumber_(std::move(searchNumber))
{
    setWindowTitle(QStringLiteral("Замены"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(251, 257);
    platform::useFormFont(this);

    lbCross = new QListWidget(this);
    lbCross->setAccessibleName(QStringLiteral("Замены"));
    lbCross->setSelectionMode(QAbstractItemView::SingleSelection);
    // A right click opens the menu for the entry already selected; it
    // selects nothing itself.
    lbCross->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lbCross);

    pmCross = new QMenu(this);
    N1 = pmCross->addAction(QStringLiteral("Копировать"));
    lbCross->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbCross, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) {
                const QPoint at = lbCross->viewport()->mapToGlobal(pos);
                platform::guardedFor(this, [this, at] { pmCross->popup(at); });
            });
    connect(N1, &QAction::triggered, this, platform::guard(this, [this]() { N1Click(); }));
    connect(lbCross, &QListWidget::itemDoubleClicked, this, platform::guard(this, [this]() { lbCrossDblClick(); }));

    connect(this, &QDialog::finished, this, &TfmCrossList::FormClose);

    platform::placeWindow(this);
    loadEntries(remark);
}

void TfmCrossList::FormClose()
{
    // Nothing of the window outlives its closing: the next opening reads
    // the remark afresh.
    lbCross->clear();
}

void TfmCrossList::loadEntries(const QString& remark)
{
    lbCross->clear();
    lbCross->addItems(splitRemark(remark));
    lbCross->setCurrentRow(-1);
    lbCross->clearSelection();
}

bool TfmCrossList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lbCross->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
                return true;
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TfmCrossList::selectedEntry(QString* text) const
{
    const QList<QListWidgetItem*> items = lbCross->selectedItems();
    if (items.isEmpty())
        return false;
    *text = items.first()->text();
    return true;
}

void TfmCrossList::lbCrossDblClick()
{
    QString number;
    if (!selectedEntry(&number))
        return;
    // The search runs to its end while this window is still open; one that
    // failed has shown its error, and the list stays for another try.
    if (searchNumber_ && !searchNumber_(number))
        return;
    accept();
}

void TfmCrossList::N1Click()
{
    QString entry;
    if (selectedEntry(&entry))
        platform::setClipboardText(entry);
}

} // namespace windows
