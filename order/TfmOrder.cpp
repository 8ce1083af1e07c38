#include "order/TfmOrder.h"

#include "platform/ErrorHandler.h"
#include "data/TdmMain.h"
#include "order/OrderBuild.h"
#include "order/OrderFile.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/OrderRules.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"
#include "platform/FormFont.h"
#include "platform/Regional.h"
#include "platform/RefreshHold.h"
#include "platform/WindowPlace.h"
#include "windows/TfmMoves.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace order {

namespace {

const int sumColumn = int(OrderField::SumCost);
constexpr qint64 eventSliceMs = 200;
const int nameColumn = int(OrderField::NAME);

QToolButton* speedButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFixedSize(23, 22);
    return b;
}

} // namespace

TfmOrder::Busy::Busy(TfmOrder& w) : w_(w)
{
    set(false);
}

TfmOrder::Busy::~Busy()
{
    set(true);
}

bool TfmOrder::isBusy() const
{
    return dsOrder->isReadOnly();
}

void TfmOrder::Busy::set(bool on)
{
    for (QWidget* c : {static_cast<QWidget*>(w_.bbClose), static_cast<QWidget*>(w_.cbSort),
                       static_cast<QWidget*>(w_.dlcSkald), static_cast<QWidget*>(w_.sbSkladClear),
                       static_cast<QWidget*>(w_.sbExport), static_cast<QWidget*>(w_.sbOpenOrder),
                       static_cast<QWidget*>(w_.sbLeaveNull)})
        c->setEnabled(on);
    for (QAction* a : {w_.miMovements, w_.miCopy, w_.N1})
        a->setEnabled(on);
    w_.dsOrder->setReadOnly(!on);
    w_.dgOrder->viewport()->update();
}

TfmOrder::TfmOrder(data::TdmMain& dm_, QWidget* parent) : QDialog(parent), dm(dm_)
{
    setWindowTitle(QStringLiteral("Заказ товара"));
    // A fixed dialog border without a close box: the window is left with
    // "Закрыть" or "В калькулятор".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(790, 446);
    platform::useFormFont(this);
    decimalSep_ = platform::Regional::current().decimalSeparator;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeTopPanel());

    dsOrder = new OrderModel(mtOrder, this);
    dsOrder->setDecimalSeparator(decimalSep_);
    dgOrder = new OrderGrid(this);
    dgOrder->setAccessibleName(QStringLiteral("Заказ"));
    dgOrder->setModel(dsOrder);
    dgOrderDelegate = new OrderDelegate(dgOrder, dsOrder);
    dgOrder->setItemDelegate(dgOrderDelegate);
    // The columns sized by their data share what the fixed ones leave, so
    // all nine fit the window side by side.
    const int idWidth = QFontMetrics(dgOrder->font()).horizontalAdvance(QStringLiteral("000000000")) + 4;
    int rest = width() - 2 * dgOrder->frameWidth() - dgOrder->verticalHeader()->width()
        - style()->pixelMetric(QStyle::PM_ScrollBarExtent) - idWidth - 2;
    for (int c = 0; c < orderFieldCount; ++c)
        rest -= std::max(0, OrderModel::columnWidth(c));
    for (int c = 0; c < orderFieldCount; ++c) {
        const int w = OrderModel::columnWidth(c);
        dgOrder->setColumnWidth(c, w > 0 ? w : c == int(OrderField::ID) ? idWidth : std::max(50, rest / 2));
    }
    dgOrderFooter = new OrderFooter(dgOrder, this);
    dgOrderFooter->setText(0, nameColumn, QStringLiteral("Сумма в основной валюте"));
    dgOrderFooter->setText(1, nameColumn, QStringLiteral("Сумма в EURO"));
    layout->addWidget(dgOrder, 1);
    layout->addWidget(dgOrderFooter);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(20);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    pbOrder = new QProgressBar(bottom);
    pbOrder->setRange(0, 100);
    pbOrder->setValue(0);
    pbOrder->setTextVisible(false);
    bottomLayout->addWidget(pbOrder);
    layout->addWidget(bottom);

    pmOrder = new QMenu(this);
    miMovements = pmOrder->addAction(QStringLiteral("Показать движения..."));
    miCopy = pmOrder->addAction(QStringLiteral("Копировать"));
    N1 = pmOrder->addAction(QStringLiteral("В калькулятор"));
    // Every handler is a command: each passes the gate (platform::guarded).
    connect(miMovements, &QAction::triggered, this, &TfmOrder::sgOrderDblClick);
    connect(miCopy, &QAction::triggered, this, &TfmOrder::miCopyClick);
    connect(N1, &QAction::triggered, this, &TfmOrder::N1Click);
    connect(dgOrder, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QPoint global = dgOrder->viewport()->mapToGlobal(at);
        platform::guardedFor(this, [this, global] { pmOrder->exec(global); });
    });
    connect(dgOrder, &QAbstractItemView::doubleClicked, this, &TfmOrder::sgOrderDblClick);
    connect(dgOrder, &OrderGrid::deleteRequested, this, &TfmOrder::dgOrderDeleteRow);
    connect(dgOrder, &OrderGrid::findRequested, this, &TfmOrder::dgOrderFind);
    connect(dgOrder, &OrderGrid::cancelRequested, this, platform::guard(this, [this] { dsOrder->cancel(); }));
    connect(dgOrder->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                const int row = now.row();
                const int previous = before.row();
                platform::guardedFor(this, [this, row, previous] { currentRowChanged(row, previous); });
            });
    connect(dsOrder, &OrderModel::contentChanged, this, &TfmOrder::dsOrderDataChange);
    connect(&mtOrder, &OrderTable::totalChanged, this, [this](double total) {
        dgOrderFooter->setText(0, sumColumn, moneyText(total, decimalSep_));
    });
    connect(dgOrderDelegate, &OrderDelegate::refused, this,
            [this](const QModelIndex& index, const QString& text, const QString& message) {
                // Deferred: the refusal arrives while the view closes its editor.
                const QPersistentModelIndex at(index);
                QTimer::singleShot(0, this, platform::guard(this, [this, at, text, message] {
                    platform::showError(message, this);
                    if (!at.isValid() || text.isNull())
                        return;
                    returningToEdit_ = true;
                    dgOrder->setCurrentIndex(at);
                    returningToEdit_ = false;
                    dgOrderDelegate->setRetryText(text);
                    dgOrder->edit(at);
                }));
            });

    connect(cbSort, &QComboBox::activated, this, &TfmOrder::cbSortChange);
    connect(sbSkladClear, &QToolButton::clicked, this, &TfmOrder::sbSkladClearClick);
    connect(sbExport, &QToolButton::clicked, this, &TfmOrder::sbExportClick);
    connect(sbOpenOrder, &QToolButton::clicked, this, &TfmOrder::sbOpenOrderClick);
    connect(sbLeaveNull, &QToolButton::clicked, this, &TfmOrder::sbLeaveNullClick);
    connect(bbClose, &QPushButton::clicked, this, &TfmOrder::bbCloseClick);
    connect(this, &QDialog::finished, this, &TfmOrder::FormClose);

    dgOrderFooter->setText(0, sumColumn, moneyText(0, decimalSep_));
    dgOrder->setFocus();
    // It shows the warehouses and holds an order being edited.
    platform::holdsRefresh(this);
}

TfmOrder::~TfmOrder()
{
    // The grid and its model go first, while the table they read still
    // exists and nothing they signal reaches a half-destroyed window.
    for (QObject* sender : {static_cast<QObject*>(dgOrder->selectionModel()), static_cast<QObject*>(dgOrderDelegate),
                            static_cast<QObject*>(dsOrder), static_cast<QObject*>(&mtOrder),
                            static_cast<QObject*>(dgOrder)})
        sender->disconnect(this);
    disconnect(this, &QDialog::finished, this, &TfmOrder::FormClose);
    delete dgOrderFooter;
    delete dgOrder;
    delete dsOrder;
}

QWidget* TfmOrder::makeTopPanel()
{
    auto* top = new QFrame(this);
    top->setFixedHeight(41);
    top->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(4);

    lbSklad = new QLabel(QStringLiteral("Склад:"), top);
    dlcSkald = new QComboBox(top);
    dlcSkald->setFixedWidth(150);
    connect(dlcSkald, &QComboBox::activated, this,
            [this](int row) { platform::guardedFor(this, [this, row] { skladPicked(row); }); });
    sbSkladClear = speedButton(top, QStyle::SP_DialogResetButton, QStringLiteral("По всем складам..."));

    lbSort = new QLabel(QStringLiteral("Сортируем:"), top);
    cbSort = new QComboBox(top);
    cbSort->addItems({QStringLiteral("по наименованию"), QStringLiteral("по номеру производителя"),
                      QStringLiteral("по оригинальному номеру")});
    cbSort->setCurrentIndex(-1);
    cbSort->setFixedWidth(180);

    sbExport = speedButton(top, QStyle::SP_DialogSaveButton, QStringLiteral("Сохранить в XLS"));
    sbOpenOrder = speedButton(top, QStyle::SP_DialogOpenButton, QStringLiteral("Открыть заказ..."));
    sbLeaveNull = speedButton(top, QStyle::SP_TrashIcon, QStringLiteral("Оставить нули.."));

    bbClose = new QPushButton(QStringLiteral("&Закрыть"), top);
    // Enter belongs to the grid's editing; it must not close the window.
    bbClose->setAutoDefault(false);
    bbClose->setDefault(false);

    lbSklad->setBuddy(dlcSkald);
    lbSort->setBuddy(cbSort);
    row->addWidget(lbSklad);
    row->addWidget(dlcSkald);
    row->addWidget(sbSkladClear);
    row->addSpacing(12);
    row->addWidget(lbSort);
    row->addWidget(cbSort);
    row->addSpacing(8);
    row->addWidget(sbExport);
    row->addWidget(sbOpenOrder);
    row->addWidget(sbLeaveNull);
    row->addStretch(1);
    row->addWidget(bbClose);
    return top;
}

void TfmOrder::execOrder()
{
    setSkladChoice(QStringLiteral("E"));
    exec();
}

void TfmOrder::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    platform::placeWindow(this);
    FormShow();
}

void TfmOrder::FormShow()
{
    decimalSep_ = platform::Regional::current().decimalSeparator;
    dsOrder->setDecimalSeparator(decimalSep_);
    if (!mtOrder.isOpen())
        mtOrder.open();
    // Without the warehouse list the window still opens: its rows can be
    // seen, edited and saved.
    warehouses_.clear();
    platform::guarded([this] { warehouses_ = dm.warehouses(); });
    {
        // The box lists the warehouses by name and shows the choice, never
        // just the first warehouse of a new list.
        const QSignalBlocker quiet(dlcSkald);
        dlcSkald->clear();
        for (const data::Warehouse& w : warehouses_)
            dlcSkald->addItem(w.name);
    }
    showSkladChoice();
    dgOrderSumListRecalcAll();
    dgOrder->setFocus();
}

void TfmOrder::FormClose()
{
    // Only hidden: the table keeps its rows, and the refresh, which waited
    // while the window was shown, acts again.
}

void TfmOrder::setSkladChoice(const std::optional<QString>& code)
{
    skladChoice_ = code;
    showSkladChoice();
}

void TfmOrder::showSkladChoice()
{
    int shown = -1;
    for (size_t r = 0; skladChoice_ && r < warehouses_.size(); ++r)
        if (warehouses_[r].code == skladChoice_) {
            shown = int(r);
            break;
        }
    dlcSkald->setCurrentIndex(shown);
}

void TfmOrder::skladPicked(int row)
{
    if (row >= 0 && row < int(warehouses_.size()))
        setSkladChoice(warehouses_[size_t(row)].code);
}

void TfmOrder::sbSkladClearClick()
{
    platform::guardedFor(this, [this] { setSkladChoice(std::nullopt); });
}

} // namespace order
