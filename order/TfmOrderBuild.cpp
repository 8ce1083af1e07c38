// The order window's build and totals: the order service walks the
// candidates, the window shows its progress and then the lines.

#include "order/TfmOrder.h"

#include "data/TdmMain.h"
#include "order/OrderBuild.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/OrderRules.h"
#include "platform/Dialogs.h"
#include "platform/ErrorHandler.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace order {

namespace {

const int sumColumn = int(OrderField::SumCost);
constexpr qint64 eventSliceMs = 200;

} // namespace

void TfmOrder::cbSortChange()
{
    platform::guardedFor(this, [this] { buildOrder(); });
}

void TfmOrder::buildOrder()
{
    Busy busy(*this);

    // The walk runs on the enterprise connection's thread while the window
    // keeps answering. The bar hears of it through the window's event queue
    // when the candidates are in and then five times a second: a repaint
    // after every one of thousands of rows would cost far more than the
    // figures themselves.
    QElapsedTimer slice; // on the connection's thread
    int position = 0;
    auto showProgress = [this](int pos, int max) {
        // A bar whose minimum and maximum are both 0 shows a busy animation
        // that would run until the next build; nothing to walk is an empty bar.
        pbOrder->setMaximum(std::max(max, 1));
        pbOrder->setValue(pos);
    };
    // The order on screen is replaced only by a finished build: when the
    // database fails at any step, it stays as it was, edits included.
    std::optional<std::vector<OrderLine>> lines;
    const int sort = cbSort->currentIndex();
    const std::optional<QString> sklad = skladChoice_;
    // The candidates and their figures are read in one go; the progress
    // reaches the bar through the window's event queue.
    dm.enterpriseBatch([&] {
        lines = order::buildOrder(dm, sort, sklad, [&](int pos, int max) {
            position = pos;
            if (!slice.isValid() || slice.elapsed() >= eventSliceMs) {
                slice.restart();
                QMetaObject::invokeMethod(
                    this, [showProgress, pos, max] { showProgress(pos, max); }, Qt::QueuedConnection);
            }
            return true;
        });
    });
    // The bar's last word comes after the steps still queued for it.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    if (!lines)
        return;

    try {
        dsOrder->cancel(); // the new rows replace an unstored edit too
        mtOrder.open();
        mtOrder.replaceAll(std::move(*lines));
    } catch (...) {
        platform::showError(QStringLiteral("Не удалось очистить заказ !!!"), this);
        return;
    }
    dgOrderSumListRecalcAll();
    if (dsOrder->rowCount() > 0 && !dgOrder->currentIndex().isValid())
        dgOrder->setCurrentIndex(dsOrder->index(0, 0));
    pbOrder->setValue(std::min(position, pbOrder->maximum()));
}

void TfmOrder::dgOrderSumListRecalcAll()
{
    dgOrderFooter->setText(0, sumColumn, moneyText(mtOrder.total(), decimalSep_));
    dgOrderFooter->setText(1, sumColumn, euroTotalText(mtOrder.total(), dm.euroRate(), decimalSep_));
}

void TfmOrder::dsOrderDataChange()
{
    dgOrderSumListRecalcAll();
}

QString TfmOrder::footerText(int row, int column) const
{
    return dgOrderFooter->text(row, column);
}

bool TfmOrder::postPending()
{
    const QString refusal = dsOrder->post();
    if (refusal.isEmpty())
        return true;
    platform::showError(refusal, this);
    if (dsOrder->editRow() >= 0) {
        returningToEdit_ = true;
        dgOrder->setCurrentIndex(dsOrder->index(dsOrder->editRow(), std::max(0, dgOrder->currentIndex().column())));
        returningToEdit_ = false;
    }
    return false;
}

void TfmOrder::currentRowChanged(int row, int previous)
{
    dsOrder->setCurrentRow(row);
    dgOrder->viewport()->update(); // the spin buttons follow the current row
    if (!returningToEdit_ && dsOrder->isEditing() && dsOrder->editRow() == previous && row != previous) {
        const QString refusal = dsOrder->post();
        if (!refusal.isEmpty()) {
            // The row stays in editing: back to it, then say why.
            const int back = dsOrder->editRow();
            QTimer::singleShot(0, this, platform::guard(this, [this, back, refusal] {
                if (dsOrder->editRow() == back) {
                    returningToEdit_ = true;
                    dgOrder->setCurrentIndex(dsOrder->index(back, std::max(0, dgOrder->currentIndex().column())));
                    returningToEdit_ = false;
                }
                platform::showError(refusal, this);
            }));
        }
    }
    dsOrderDataChange();
}

} // namespace order
