#include "order/TfmOrder.h"

#include "app/ErrorHandler.h"
#include "data/QueryModel.h"
#include "data/TdmMain.h"
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
#include "windows/TfmMoves.h"
#include "windows/WindowPlace.h"

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

// While a build or "Оставить нули.." runs, nothing else may start one or
// close the window; everything comes back when it ends, also after an error.
class TfmOrder::Busy {
public:
    explicit Busy(TfmOrder& w) : w_(w)
    {
        w_.busy_ = true;
        set(false);
    }
    ~Busy()
    {
        set(true);
        w_.busy_ = false;
    }

private:
    void set(bool on)
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
    TfmOrder& w_;
};

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
    connect(miMovements, &QAction::triggered, this, &TfmOrder::sgOrderDblClick);
    connect(miCopy, &QAction::triggered, this, &TfmOrder::miCopyClick);
    connect(N1, &QAction::triggered, this, &TfmOrder::N1Click);
    connect(dgOrder, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmOrder->exec(dgOrder->viewport()->mapToGlobal(at)); });
    connect(dgOrder, &QAbstractItemView::doubleClicked, this, &TfmOrder::sgOrderDblClick);
    connect(dgOrder, &OrderGrid::deleteRequested, this, &TfmOrder::dgOrderDeleteRow);
    connect(dgOrder, &OrderGrid::findRequested, this, &TfmOrder::dgOrderFind);
    connect(dgOrder, &OrderGrid::cancelRequested, dsOrder, &OrderModel::cancel);
    connect(dgOrder->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) { currentRowChanged(now.row(), before.row()); });
    connect(dsOrder, &OrderModel::contentChanged, this, &TfmOrder::dsOrderDataChange);
    connect(&mtOrder, &OrderTable::totalChanged, this, [this](double total) {
        dgOrderFooter->setText(0, sumColumn, moneyText(total, decimalSep_));
    });
    connect(dgOrderDelegate, &OrderDelegate::refused, this,
            [this](const QModelIndex& index, const QString& text, const QString& message) {
                // Deferred: the refusal arrives while the view closes its editor.
                const QPersistentModelIndex at(index);
                QTimer::singleShot(0, this, [this, at, text, message] {
                    platform::showError(message, this);
                    if (!at.isValid() || text.isNull())
                        return;
                    returningToEdit_ = true;
                    dgOrder->setCurrentIndex(at);
                    returningToEdit_ = false;
                    dgOrderDelegate->setRetryText(text);
                    dgOrder->edit(at);
                });
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
}

TfmOrder::~TfmOrder()
{
    // The grid and its model go first, while the table they read still
    // exists and nothing they signal reaches a half-destroyed window.
    for (QObject* sender : {static_cast<QObject*>(dgOrder->selectionModel()), static_cast<QObject*>(dgOrderDelegate),
                            static_cast<QObject*>(dsOrder), static_cast<QObject*>(&mtOrder),
                            static_cast<QObject*>(dgOrder), static_cast<QObject*>(dm.dsSklad)})
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
    dlcSkald->setModel(dm.dsSklad);
    // The box shows the choice, never just the first warehouse of a reload.
    connect(dm.dsSklad, &QAbstractItemModel::modelReset, this, &TfmOrder::showSkladChoice);
    connect(dlcSkald, &QComboBox::activated, this, &TfmOrder::skladPicked);
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
    windows::centreOnScreen(this);
    FormShow();
}

void TfmOrder::FormShow()
{
    decimalSep_ = platform::Regional::current().decimalSeparator;
    dsOrder->setDecimalSeparator(decimalSep_);
    if (!mtOrder.isOpen())
        mtOrder.open();
    if (setRefreshEnabled)
        setRefreshEnabled(false);
    // Without the warehouse list the window still opens: its rows can be
    // seen, edited and saved.
    app::guarded([this] {
        if (!dm.ibqSkald.isOpen())
            dm.ibqSkald.open();
    });
    showSkladChoice();
    dgOrderSumListRecalcAll();
    dgOrder->setFocus();
}

void TfmOrder::FormClose()
{
    if (setRefreshEnabled)
        setRefreshEnabled(true);
}

void TfmOrder::setSkladChoice(const std::optional<QString>& code)
{
    skladChoice_ = code;
    showSkladChoice();
}

void TfmOrder::showSkladChoice()
{
    int shown = -1;
    if (skladChoice_ && dm.ibqSkald.isOpen()) {
        const int col = dm.ibqSkald.columnIndex(QStringLiteral("GROUPNAME"));
        for (int r = 0; r < dm.ibqSkald.recordCount(); ++r) {
            const fb::Field f = dm.ibqSkald.fieldAt(r, col);
            if (!f.isNull() && f.asString() == *skladChoice_) {
                shown = r;
                break;
            }
        }
    }
    dlcSkald->setCurrentIndex(shown);
}

void TfmOrder::skladPicked(int row)
{
    const fb::Field f = dm.ibqSkald.fieldAt(row, dm.ibqSkald.columnIndex(QStringLiteral("GROUPNAME")));
    setSkladChoice(f.isNull() ? std::nullopt : std::optional<QString>(f.asString()));
}

void TfmOrder::sbSkladClearClick()
{
    setSkladChoice(std::nullopt);
}

void TfmOrder::cbSortChange()
{
    if (busy_)
        return;
    app::guarded([this] { buildOrder(); });
}

void TfmOrder::buildOrder()
{
    Busy busy(*this);

    // The order on screen is replaced only by a finished build: when the
    // database fails at any step, it stays as it was, edits included.
    fb::Query& q = dm.ibqGetMINStock;
    const QStringList sql = data::TdmMain::minStockSql(cbSort->currentIndex());
    q.close();
    if (q.sql() != sql)
        q.setSQL(sql);
    q.open();
    pbOrder->setValue(1);

    // The candidates are copied out, so the walk does not depend on the
    // query staying open while pending events run.
    const int cId = q.columnIndex(QStringLiteral("ID"));
    const int cName = q.columnIndex(QStringLiteral("NAME"));
    const int cCode = q.columnIndex(QStringLiteral("MANUFACTURECODE"));
    const int cNumber = q.columnIndex(QStringLiteral("NUMBER"));
    const int cMin = q.columnIndex(QStringLiteral("MINSTOCK"));
    std::vector<Candidate> candidates;
    candidates.reserve(size_t(q.recordCount()));
    for (int r = 0; r < q.recordCount(); ++r) {
        Candidate c;
        c.id = q.fieldAt(r, cId).asInteger();
        c.name = q.fieldAt(r, cName).asString().left(nameSize);
        c.manufactureCode = q.fieldAt(r, cCode).asString().left(codeSize);
        c.number = q.fieldAt(r, cNumber).asString().left(codeSize);
        c.minStock = q.fieldAt(r, cMin).asDouble();
        candidates.push_back(std::move(c));
    }
    if (candidates.empty()) {
        // A bar whose minimum and maximum are both 0 shows a busy animation
        // that would run until the next build; nothing to walk is an empty bar.
        pbOrder->setMaximum(1);
        pbOrder->setValue(0);
    } else {
        pbOrder->setMaximum(int(candidates.size()));
    }

    // Pending events run after the first row and then once a time slice
    // has passed: the window repaints and answers input five times a second,
    // while a repaint after every one of thousands of rows would cost far
    // more than the figures themselves.
    int position = pbOrder->value();
    QElapsedTimer slice; // invalid until the first row is done
    auto letEventsRun = [&] {
        pbOrder->setValue(position);
        QCoreApplication::processEvents();
        slice.restart();
    };
    std::vector<OrderLine> lines;
    for (const Candidate& c : candidates) {
        const double onStock = dm.GetOnStock(c.id);
        if (needsOrder(onStock, c.minStock)) {
            if (!skladChoice_ || dm.GetLastSklad(c.id) == *skladChoice_)
                lines.push_back(candidateLine(c, onStock, dm.GetAvgCost(c.id)));
        }
        position = std::min(position + 1, pbOrder->maximum());
        if (!slice.isValid() || slice.elapsed() >= eventSliceMs)
            letEventsRun();
    }

    try {
        dsOrder->cancel(); // the new rows replace an unstored edit too
        mtOrder.open();
        mtOrder.replaceAll(std::move(lines));
    } catch (...) {
        platform::showError(QStringLiteral("Не удалось очистить заказ !!!"), this);
        return;
    }
    dgOrderSumListRecalcAll();
    if (dsOrder->rowCount() > 0 && !dgOrder->currentIndex().isValid())
        dgOrder->setCurrentIndex(dsOrder->index(0, 0));
    letEventsRun();
}

void TfmOrder::dgOrderSumListRecalcAll()
{
    dgOrderFooter->setText(0, sumColumn, moneyText(mtOrder.total(), decimalSep_));
    dgOrderFooter->setText(1, sumColumn, euroTotalText(mtOrder.total(), dm.EuroRate, decimalSep_));
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
            QTimer::singleShot(0, this, [this, back, refusal] {
                if (dsOrder->editRow() == back) {
                    returningToEdit_ = true;
                    dgOrder->setCurrentIndex(dsOrder->index(back, std::max(0, dgOrder->currentIndex().column())));
                    returningToEdit_ = false;
                }
                platform::showError(refusal, this);
            });
        }
    }
    dsOrderDataChange();
}

void TfmOrder::sbLeaveNullClick()
{
    if (busy_)
        return;
    app::guarded([this] { leaveNull(); });
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
    if (busy_)
        return;
    app::guarded([this] {
        const QModelIndex at = dgOrder->currentIndex();
        const OrderLine* line =
            at.isValid() && at.row() < dsOrder->rowCount() ? &dsOrder->lineAt(at.row()) : nullptr;
        // The window reruns ibqMovements for the part (0 on an empty table);
        // the refresh timer is already off while this window is shown.
        windows::TfmMoves moves(dm, qint32(line && line->id ? *line->id : 0), this);
        moves.exec();
    });
}

void TfmOrder::miCopyClick()
{
    app::guarded([this] { platform::setClipboardText(currentCellText()); });
}

void TfmOrder::N1Click()
{
    if (busy_)
        return;
    app::guarded([this] {
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
    if (busy_)
        return;
    app::guarded([this] { writeOrderFile(); });
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
    const QByteArray bytes = exportOrder(mtOrder.rows());
    // Written beside the old file and renamed over it, so a full disk or a
    // crash leaves the previous order whole.
    QSaveFile file(*path);
    auto fail = [&] {
        return platform::Failure(
            QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(*path), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw fail();
    if (!platform::writeFully(file, bytes)) {
        const platform::Failure failure = fail();
        file.cancelWriting();
        throw failure;
    }
    if (!file.commit())
        throw fail();
}

void TfmOrder::sbOpenOrderClick()
{
    if (busy_)
        return;
    app::guarded([this] { readOrderFile(); });
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
    if (busy_)
        return;
    if (postPending())
        accept();
}

void TfmOrder::dgOrderDeleteRow()
{
    if (busy_ || dsOrder->isReadOnly())
        return;
    app::guarded([this] {
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
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("Поиск"), QStringLiteral("Найти:"), QLineEdit::Normal, {}, &ok);
    if (!ok || text.isEmpty())
        return;
    if (!findInGrid(text))
        platform::showMessage(QStringLiteral("\"%1\" не найдено").arg(text), this);
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

void TfmOrder::done(int r)
{
    if (busy_)
        return;
    QDialog::done(r);
}

void TfmOrder::reject()
{
    // Only a window close (Alt+F4) gets here; Esc stays with the grid.
    if (busy_ || !postPending())
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
