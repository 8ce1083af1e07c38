#pragma once

#include "data/CurrencyTable.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>

namespace windows {

// The currency table as an editable grid model: the row being edited shows
// its edit buffer, typing into a cell puts the value into that buffer.
class CurrencyModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CurrencyModel(data::CurrencyTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    data::CurrencyTable& table() const { return table_; }

signals:
    // A rate typed as text that is not a number; nothing was stored.
    void badRate(const QModelIndex& index, const QString& text);

private:
    void follow();

    data::CurrencyTable& table_;
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

// An empty name: a row nobody typed a name into.
bool blankName(const fb::Value& v);

} // namespace windows
