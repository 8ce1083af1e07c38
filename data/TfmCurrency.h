#pragma once

#include "data/CurrencyTable.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <QStyledItemDelegate>

class QFrame;
class QTableView;
class QToolButton;

namespace data {

class TdmMain;

// The currency table as an editable grid model: the row being edited shows
// its edit buffer, typing into a cell puts the value into that buffer.
class CurrencyModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CurrencyModel(CurrencyTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    CurrencyTable& table() const { return table_; }

signals:
    // A rate typed as text that is not a number; nothing was stored.
    void badRate(const QModelIndex& index, const QString& text);

private:
    void follow();

    CurrencyTable& table_;
    int rows_ = 0;
};

// Cell editors of the grid; a rejected rate comes back into its editor.
class CurrencyDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

    QWidget* openEditor() const { return editor_; }
    void restoreText(const QModelIndex& index, const QString& text);

private:
    mutable QPointer<QWidget> editor_;
    mutable QPersistentModelIndex restoreIndex_;
    mutable QString restoreText_;
};

// The currency window: the price database's currency table in a grid with a
// record navigator.
class TfmCurrency : public QDialog {
    Q_OBJECT
public:
    enum NavButton { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

    explicit TfmCurrency(TdmMain& dm, QWidget* parent = nullptr);

    QTableView* dgCurrency;
    CurrencyModel* dsCurrency;
    CurrencyDelegate* delegate;
    QFrame* dnCurrency;
    QToolButton* navButtons[10];

    QToolButton* button(NavButton b) const { return navButtons[b]; }

public slots:
    void dnCurrencyClick(int button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitEditor();
    void closeEditorWithoutCommit();
    void gridRowChanged(int row, int previous);
    void leaveRow(int editRow, int target);
    void showRow(int row, int column = -1);
    bool insertedUntouched() const;
    void updateButtons();
    void editCurrentCell();

    void reportBadRate();

    CurrencyTable& table_;
    bool syncing_ = false;
    QPersistentModelIndex rejectedIndex_; // a rate refused, not reported yet
    QString rejectedText_;
};

} // namespace data
