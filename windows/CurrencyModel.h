#pragma once

#include "data/Reads.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>

namespace data {
class TdmMain;
}

namespace windows {

// The currency table as an editable grid model. It shows what the data
// module last said the table holds (the row being edited showing its edit),
// and hands what is typed into a cell back to the data module.
class CurrencyModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kName = 0;
    static constexpr int kRate = 1;

    explicit CurrencyModel(data::TdmMain& dm, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const data::Currencies& table() const { return t_; }
    // The grid's current row, which the row indicator marks.
    void setCurrentRow(int row);

signals:
    // A rate typed as text that is not a number; nothing was stored.
    void badRate(const QModelIndex& index, const QString& text);

private:
    void follow();

    data::TdmMain& dm_;
    data::Currencies t_;
    int current_ = -1;
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

// A new row nobody typed into: no name (or an empty one) and no rate.
bool untouched(const data::CurrencyRow& row);

} // namespace windows
