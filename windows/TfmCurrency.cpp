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

TfmCurrency::TfmCurrency(data::TdmMain& dm, QWidget* parent) : QDialog(parent), table_(dm.taCurrency)
{
    setWindowTitle(QStringLiteral("Курс валют"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(258, 190);
    platform::useFormFont(this);

    dsCurrency = new CurrencyModel(table_, this);
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
    dgCurrency->setColumnWidth(data::CurrencyTable::kName, 155);
    // A number column's own width: ten characters.
    dgCurrency->setColumnWidth(data::CurrencyTable::kRate, fontMetrics().averageCharWidth() * 10 + 4);
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
    connect(dsCurrency, &QAbstractItemModel::modelReset, this, [this]() { showRow(table_.currentRow()); });
    connect(&table_.select, &fb::Query::currentRowChanged, this, [this](int row) { showRow(row); });
    connect(&table_, &data::CurrencyTable::changed, this, &TfmCurrency::updateButtons);
    connect(dsCurrency, &CurrencyModel::badRate, this, [this](const QModelIndex& index, const QString& text) {
        rejectedIndex_ = index;
        rejectedText_ = text;
        QTimer::singleShot(0, this, platform::guard(this, [this]() { reportBadRate(); }));
    });

    connect(this, &QDialog::finished, this, &TfmCurrency::FormClose);

    platform::placeWindow(this);
    showRow(table_.currentRow());
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
        if (table_.state() == data::CurrencyTable::State::Browse)
            return;
        if (insertedUntouched()) {
            table_.cancel();
            return;
        }
        if (!platform::askYesNo(QStringLiteral("Сохранить изменения?"), this)) {
            table_.cancel();
            return;
        }
        *mayClose = false;
        showRow(table_.editRow());
        table_.post();
        *mayClose = true;
    });
    if (*mayClose)
        QDialog::done(r);
}

void TfmCurrency::FormClose()
{
    table_.disconnect(this);
    table_.select.disconnect(this);
    table_.disconnect(dsCurrency);
    table_.select.disconnect(dsCurrency);
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
}

bool TfmCurrency::insertedUntouched() const
{
    if (table_.state() != data::CurrencyTable::State::Insert)
        return false;
    const int r = table_.editRow();
    return blankName(table_.value(r, data::CurrencyTable::kName)) && fb::isNull(table_.value(r, data::CurrencyTable::kRate));
}

void TfmCurrency::gridRowChanged(int row, int previous)
{
    Q_UNUSED(previous);
    if (syncing_ || row < 0)
        return;
    if (rejectedIndex_.isValid())
        return; // the refused rate is reported and its row shown again
    if (table_.state() != data::CurrencyTable::State::Browse && row != table_.editRow()) {
        // Storing the row may show an error box: not from inside the view's
        // own selection change.
        const int editRow = table_.editRow();
        QTimer::singleShot(0, this, platform::guard(this, [this, editRow, row]() { leaveRow(editRow, row); }));
        return;
    }
    table_.moveTo(row);
}

void TfmCurrency::leaveRow(int editRow, int target)
{
    if (table_.state() == data::CurrencyTable::State::Browse || table_.editRow() != editRow) {
        table_.moveTo(target);
        return;
    }
    if (insertedUntouched()) {
        // A new row nobody typed into is dropped, not stored.
        table_.cancel();
        if (target > editRow)
            --target;
        table_.moveTo(target);
        showRow(target);
        return;
    }
    // Stay on the row until it is stored: a failure keeps it in editing.
    showRow(editRow);
    table_.post();
    table_.moveTo(target);
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
            table_.cancel();
            return;
        }
        commitEditor();
        if (rejectedIndex_.isValid())
            return;
        const bool editing = table_.state() != data::CurrencyTable::State::Browse;
        const int row = table_.currentRow();
        const int last = table_.rowCount() - 1;
        auto go = [&](int target) {
            target = std::clamp(target, 0, std::max(last, 0));
            if (editing && target != table_.editRow())
                leaveRow(table_.editRow(), target);
            else
                table_.moveTo(target);
        };
        switch (button) {
        case nbFirst: go(0); break;
        case nbPrior: go(row - 1); break;
        case nbNext: go(row + 1); break;
        case nbLast: go(last); break;
        case nbInsert:
            table_.insert(std::max(row, 0));
            showRow(table_.editRow(), data::CurrencyTable::kName);
            editCurrentCell();
            break;
        case nbDelete:
            if (table_.rowCount() > 0 && platform::confirm(QStringLiteral("Удалить запись?"), this))
                table_.remove(row);
            break;
        case nbEdit:
            if (table_.rowCount() > 0) {
                table_.edit(row);
                editCurrentCell();
            }
            break;
        case nbPost: table_.post(); break;
        case nbRefresh:
            if (insertedUntouched())
                table_.cancel();
            else
                table_.post();
            table_.close();
            table_.open();
            table_.moveTo(row);
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
                table_.insert(table_.rowCount());
                showRow(table_.editRow(), column);
            });
        }
        return true;
    }
    if (key->key() == Qt::Key_Escape && table_.state() != data::CurrencyTable::State::Browse) {
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
    const bool open = table_.isOpen();
    const bool editing = table_.state() != data::CurrencyTable::State::Browse;
    const bool rows = table_.rowCount() > 0;
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
