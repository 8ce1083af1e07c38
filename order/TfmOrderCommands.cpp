// The order window's commands: "Оставить нули..", the popup menu, order
// files, deleting and finding rows, and closing.

#include "order/TfmOrder.h"

#include "data/TdmMain.h"
#include "order/OrderFile.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/OrderRules.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"
#include "windows/TfmMoves.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>

namespace order {

void TfmOrder::sbLeaveNullClick()
{
    platform::guardedFor(this, [this] { leaveNull(); });
}

void TfmOrder::leaveNull()
{
    if (!postPending())
        return;
    Busy busy(*this);
    // One pass removes exactly the rows that restarting from the first row
    // after every deletion would.
    mtOrder.removeIf([](const OrderLine& l) { return !keptByLeaveNull(l); });
    if (dsOrder->rowCount() > 0)
        dgOrder->setCurrentIndex(dsOrder->index(0, std::max(0, dgOrder->currentIndex().column())));
}

QString TfmOrder::currentCellText() const
{
    const QModelIndex at = dgOrder->currentIndex();
    if (!at.isValid() || at.row() >= dsOrder->rowCount())
        return {};
    return plainText(dsOrder->lineAt(at.row()), OrderModel::fieldOf(at.column()), decimalSep_);
}

void TfmOrder::sgOrderDblClick()
{
    platform::guardedFor(this, [this] {
        const QModelIndex at = dgOrder->currentIndex();
        const OrderLine* line =
            at.isValid() && at.row() < dsOrder->rowCount() ? &dsOrder->lineAt(at.row()) : nullptr;
        // The window reads the part's movements afresh (0 on an empty table);
        // the refresh already waits while this window is shown.
        windows::TfmMoves moves(dm, qint32(line && line->id ? *line->id : 0), this);
        moves.exec();
    });
}

void TfmOrder::miCopyClick()
{
    platform::guardedFor(this, [this] { platform::setClipboardText(currentCellText()); });
}

void TfmOrder::N1Click()
{
    platform::guardedFor(this, [this] {
        const QString text = currentCellText();
        if (!postPending())
            return;
        // A search that failed has shown its error; the window stays open.
        if (searchNumber && !searchNumber(text))
            return;
        accept();
    });
}

void TfmOrder::sbExportClick()
{
    platform::guardedFor(this, [this] { writeOrderFile(); });
}

void TfmOrder::writeOrderFile()
{
    // A pending cell edit goes into the file too.
    if (!postPending())
        return;
    platform::FileDialogSpec spec;
    spec.filter = QStringLiteral("Excel files (.xls)|*.xls");
    spec.defaultSuffix = QStringLiteral("*.xls");
    spec.proposedName = proposedExportName(skladChoice_, dlcSkald->currentText());
    const std::optional<QString> path = platform::saveFileName(spec, this);
    if (!path)
        return;
    // Written beside the old file and renamed over it, so a full disk or a
    // crash leaves the previous order whole.
    QString reason;
    if (!platform::saveFileAtomically(*path, exportOrder(mtOrder.rows()), &reason))
        throw platform::Failure(
            QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(*path), reason));
}

void TfmOrder::sbOpenOrderClick()
{
    platform::guardedFor(this, [this] { readOrderFile(); });
}

void TfmOrder::readOrderFile()
{
    if (!postPending())
        return;
    platform::FileDialogSpec spec;
    spec.defaultSuffix = QStringLiteral("*.xls");
    const std::optional<QString> path = platform::openFileName(spec, this);
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        throw platform::Failure(
            QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(*path), file.errorString()));
    const ImportResult result = importOrder(file.readAll());
    file.close();
    // The rows before a refused line are kept; the refused line is not.
    for (const OrderLine& line : result.rows)
        mtOrder.append(line);
    if (dsOrder->rowCount() > 0)
        dgOrder->setCurrentIndex(dsOrder->index(0, std::max(0, dgOrder->currentIndex().column())));
    dgOrder->scrollToTop();
    dgOrderSumListRecalcAll();
    if (!result.error.isEmpty())
        throw platform::Failure(result.error);
}

void TfmOrder::bbCloseClick()
{
    platform::guardedFor(this, [this] {
        if (postPending())
            accept();
    });
}

void TfmOrder::dgOrderDeleteRow()
{
    platform::guardedFor(this, [this] {
        if (dsOrder->isReadOnly())
            return;
        const QModelIndex at = dgOrder->currentIndex();
        if (!at.isValid())
            return;
        if (dsOrder->editRow() == at.row())
            dsOrder->cancel();
        mtOrder.remove(at.row());
    });
}

void TfmOrder::dgOrderFind()
{
    platform::guardedFor(this, [this] {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, QStringLiteral("Поиск"), QStringLiteral("Найти:"), QLineEdit::Normal, {}, &ok);
        if (!ok || text.isEmpty())
            return;
        if (!findInGrid(text))
            platform::showMessage(QStringLiteral("\"%1\" не найдено").arg(text), this);
    });
}

bool TfmOrder::findInGrid(const QString& text)
{
    const int rows = dsOrder->rowCount();
    const int cols = orderFieldCount;
    if (rows == 0 || text.isEmpty())
        return false;
    const QModelIndex cur = dgOrder->currentIndex();
    const int start = cur.isValid() ? cur.row() * cols + cur.column() : -1;
    for (int step = 1; step <= rows * cols; ++step) {
        const int cell = (start + step) % (rows * cols);
        const QModelIndex at = dsOrder->index(cell / cols, cell % cols);
        if (at.data(Qt::DisplayRole).toString().contains(text, Qt::CaseInsensitive)) {
            dgOrder->setCurrentIndex(at);
            dgOrder->scrollTo(at);
            return true;
        }
    }
    return false;
}

void TfmOrder::reject()
{
    // Only a window close (Alt+F4) gets here; Esc stays with the grid. A
    // close asked for while a build waits comes after it (platform/InputHold.h).
    if (!postPending())
        return;
    QDialog::reject();
}

void TfmOrder::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace order
