#include "windows/TfmCurrency.h"

#include "platform/ErrorHandler.h"
#include "data/TdmMain.h"
#include "platform/Dialogs.h"
#include "platform/FormFont.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"
#include "platform/RefreshHold.h"
#include "platform/WindowPlace.h"

#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace windows {

// ---- TfmCurrency -----------------------------------------------------------

TfmCurrency::TfmCurrency(data::TdmMain& dm, QWidget* parent) : QDialog(parent), dm_(dm)
{
    setWindowTitle(QStringLiteral("Курс валют"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(258, 190);
    platform::useFormFont(this);

    dsCurrency = new CurrencyModel(dm_, this);
    delegate = new CurrencyDelegate(this);
    dgCurrency = new QTableView(this);
    dgCurrency->setAccessibleName(QStringLiteral("Курсы валют"));
    dgCurrency->setModel(dsCurrency);
    dgCurrency->setItemDelegate(delegate);
    dgCurrency->setSelectionMode(QAbstractItemView::SingleSelection);
    dgCurrency->setSelectionBehavior(QAbstractItemView::SelectItems);
    dgCurrency->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    dgCurrency->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dgCurrency->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    dgCurrency->verticalHeader()->setMinimumWidth(14);
    dgCurrency->setColumnWidth(CurrencyModel::kName, 155);
    // A number column's own width: ten characters.
    dgCurrency->setColumnWidth(CurrencyModel::kRate, fontMetrics().averageCharWidth() * 10 + 4);
    dgCurrency->installEventFilter(this);
    QFont titles = QDialog::font();
    titles.setBold(true);
    dgCurrency->horizontalHeader()->setFont(titles);

    dnCurrency = new QFrame(this);
    dnCurrency->setFixedHeight(25);
    auto* nav = new QHBoxLayout(dnCurrency);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->setSpacing(0);
    const struct {
        const char* glyph;
        const char* hint;
    } buttons[10] = {{"|◄", "Первая запись"},         {"◄", "Предыдущая запись"},  {"►", "Следующая запись"},
                     {"►|", "Последняя запись"},      {"+", "Добавить запись"},    {"−", "Удалить запись"},
                     {"▲", "Изменить запись"},        {"✔", "Сохранить изменения"}, {"✖", "Отменить изменения"},
                     {"↻", "Обновить данные"}};
    for (int i = 0; i < 10; ++i) {
        auto* b = new QToolButton(dnCurrency);
        b->setText(QString::fromUtf8(buttons[i].glyph));
        b->setToolTip(QString::fromUtf8(buttons[i].hint));
        b->setAccessibleName(b->toolTip()); // the glyph is no name
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(b, &QToolButton::clicked, this, [this, i]() { dnCurrencyClick(i); });
        nav->addWidget(b);
        navButtons[i] = b;
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(dgCurrency);
    layout->addWidget(dnCurrency);

    connect(dgCurrency->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur, const QModelIndex& prev) { gridRowChanged(cur.row(), prev.row()); });
    // After a reset the grid has no current row: back to the one it had.
    connect(dsCurrency, &QAbstractItemModel::modelReset, this, [this]() { showRow(lastRow_); });
    connect(&dm_, &data::TdmMain::currenciesChanged, this, &TfmCurrency::updateButtons);
    connect(dsCurrency, &CurrencyModel::badRate, this, [this](const QModelIndex& index, const QString& text) {
        rejectedIndex_ = index;
        rejectedText_ = text;
        QTimer::singleShot(0, this, platform::guard(this, [this]() { reportBadRate(); }));
    });

    connect(this, &QDialog::finished, this, &TfmCurrency::FormClose);

    platform::placeWindow(this);
    showRow(0);
    updateButtons();
    // It shows the table and holds a change being typed.
    platform::holdsRefresh(this);
}

void TfmCurrency::done(int r)
{
    auto mayClose = std::make_shared<bool>(true);
    platform::guardedFor(this, [this, mayClose] {
        // What is typed in an open cell counts as typed.
        commitEditor();
        if (rejectedIndex_.isValid()) {
            *mayClose = false; // the refused rate is reported first
            return;
        }
        if (state() == data::CurrencyState::Browse)
            return;
        if (insertedUntouched()) {
            dm_.cancelCurrency();
            return;
        }
        if (!platform::askYesNo(QStringLiteral("Сохранить изменения?"), this)) {
            dm_.cancelCurrency();
            return;
        }
        *mayClose = false;
        showRow(editRow());
        dm_.postCurrency();
        *mayClose = true;
    });
    if (*mayClose)
        QDialog::done(r);
}

void TfmCurrency::FormClose()
{
    dm_.disconnect(this);
    dm_.disconnect(dsCurrency);
    dgCurrency->setModel(nullptr);
}

void TfmCurrency::showRow(int row, int column)
{
    if (row < 0 || row >= dsCurrency->rowCount())
        return;
    const QModelIndex cur = dgCurrency->currentIndex();
    if (column < 0)
        column = cur.isValid() ? cur.column() : 0;
    if (cur.isValid() && cur.row() == row && cur.column() == column)
        return;
    syncing_ = true;
    dgCurrency->setCurrentIndex(dsCurrency->index(row, column));
    syncing_ = false;
    lastRow_ = row;
    dsCurrency->setCurrentRow(row);
}

data::CurrencyState TfmCurrency::state() const
{
    return dsCurrency->table().state;
}

int TfmCurrency::editRow() const
{
    return dsCurrency->table().editRow;
}

int TfmCurrency::currentRow() const
{
    const QModelIndex cur = dgCurrency->currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

bool TfmCurrency::insertedUntouched() const
{
    const data::Currencies& t = dsCurrency->table();
    return t.state == data::CurrencyState::Insert && t.editRow >= 0 && t.editRow < int(t.rows.size()) &&
           untouched(t.rows[size_t(t.editRow)]);
}

void TfmCurrency::gridRowChanged(int row, int previous)
{
    Q_UNUSED(previous);
    if (syncing_ || row < 0)
        return;
    lastRow_ = row;
    dsCurrency->setCurrentRow(row);
    if (rejectedIndex_.isValid())
        return; // the refused rate is reported and its row shown again
    if (state() != data::CurrencyState::Browse && row != editRow()) {
        // Storing the row may show an error box: not from inside the view's
        // own selection change.
        const int leaving = editRow();
        QTimer::singleShot(0, this, platform::guard(this, [this, leaving, row]() { leaveRow(leaving, row); }));
    }
}

void TfmCurrency::leaveRow(int leaving, int target)
{
    if (state() == data::CurrencyState::Browse || editRow() != leaving) {
        showRow(target);
        return;
    }
    if (insertedUntouched()) {
        // A new row nobody typed into is dropped, not stored.
        dm_.cancelCurrency();
        if (target > leaving)
            --target;
        showRow(target);
        return;
    }
    // Stay on the row until it is stored: a failure keeps it in editing.
    showRow(leaving);
    dm_.postCurrency();
    showRow(target);
}

void TfmCurrency::reportBadRate()
{
    const QPersistentModelIndex index = rejectedIndex_;
    const QString text = rejectedText_;
    rejectedIndex_ = QPersistentModelIndex();
    if (!index.isValid())
        return;
    showRow(index.row(), index.column());
    delegate->restoreText(index, text);
    dgCurrency->edit(index);
    platform::showError(QStringLiteral("Курс должен быть числом, а введено «%1»").arg(text), this);
}

void TfmCurrency::commitEditor()
{
    if (QWidget* ed = delegate->openEditor()) {
        emit delegate->commitData(ed);
        emit delegate->closeEditor(ed, QAbstractItemDelegate::NoHint);
    }
}

void TfmCurrency::closeEditorWithoutCommit()
{
    if (QWidget* ed = delegate->openEditor())
        emit delegate->closeEditor(ed, QAbstractItemDelegate::RevertModelCache);
}

void TfmCurrency::editCurrentCell()
{
    dgCurrency->setFocus();
    const QModelIndex cur = dgCurrency->currentIndex();
    if (cur.isValid())
        dgCurrency->edit(cur);
}

void TfmCurrency::dnCurrencyClick(int button)
{
    platform::guardedFor(this, [this, button]() {
        if (button == nbCancel) {
            closeEditorWithoutCommit();
            dm_.cancelCurrency();
            return;
        }
        commitEditor();
        if (rejectedIndex_.isValid())
            return;
        const bool editing = state() != data::CurrencyState::Browse;
        const int row = std::max(currentRow(), 0);
        const int last = dsCurrency->rowCount() - 1;
        auto go = [&](int target) {
            target = std::clamp(target, 0, std::max(last, 0));
            if (editing && target != editRow())
                leaveRow(editRow(), target);
            else
                showRow(target);
        };
        switch (button) {
        case nbFirst: go(0); break;
        case nbPrior: go(row - 1); break;
        case nbNext: go(row + 1); break;
        case nbLast: go(last); break;
        case nbInsert:
            dm_.insertCurrency(row);
            showRow(editRow(), CurrencyModel::kName);
            editCurrentCell();
            break;
        case nbDelete:
            if (dsCurrency->rowCount() > 0 && platform::confirm(QStringLiteral("Удалить запись?"), this))
                dm_.removeCurrency(row);
            break;
        case nbEdit:
            if (dsCurrency->rowCount() > 0) {
                dm_.editCurrency(row);
                editCurrentCell();
            }
            break;
        case nbPost: dm_.postCurrency(); break;
        case nbRefresh:
            if (insertedUntouched())
                dm_.cancelCurrency();
            else
                dm_.postCurrency();
            dm_.reopenCurrencies();
            showRow(std::min(row, dsCurrency->rowCount() - 1));
            break;
        }
    });
}

bool TfmCurrency::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != dgCurrency || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int row = dgCurrency->currentIndex().row();
    if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier && row == dsCurrency->rowCount() - 1) {
        // Past the last row a new row begins, unless that row is a new one still empty.
        commitEditor();
        if (!rejectedIndex_.isValid() && !insertedUntouched()) {
            const int column = std::max(dgCurrency->currentIndex().column(), 0);
            platform::guardedFor(this, [this, column]() {
                dm_.insertCurrency(dsCurrency->rowCount());
                showRow(editRow(), column);
            });
        }
        return true;
    }
    if (key->key() == Qt::Key_Escape && state() != data::CurrencyState::Browse) {
        dnCurrencyClick(nbCancel);
        return true;
    }
    if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
        dnCurrencyClick(nbInsert);
        return true;
    }
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
        dnCurrencyClick(nbDelete);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfmCurrency::updateButtons()
{
    const bool open = dsCurrency->table().open;
    const bool editing = state() != data::CurrencyState::Browse;
    const bool rows = dsCurrency->rowCount() > 0;
    for (int b : {nbFirst, nbPrior, nbNext, nbLast})
        navButtons[b]->setEnabled(open && rows);
    navButtons[nbInsert]->setEnabled(open);
    navButtons[nbDelete]->setEnabled(open && rows);
    navButtons[nbEdit]->setEnabled(open && rows && !editing);
    navButtons[nbPost]->setEnabled(editing);
    navButtons[nbCancel]->setEnabled(editing);
    navButtons[nbRefresh]->setEnabled(open);
}

} // namespace windows
