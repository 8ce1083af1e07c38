#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>

#include <optional>

namespace order {

class OrderModel;

// The cells' in-place editor and the always-shown spin buttons of ToOrder.
class OrderDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    OrderDelegate(QTableView* view, OrderModel* model);

    // Where the up (or down) button of a ToOrder cell lies.
    static QRect spinButtonRect(const QRect& cell, bool up);

    // The next editor opens with this text instead of the cell's (a refused
    // text comes back for correcting).
    void setRetryText(const QString& text) { retryText_ = text; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    // A typed text the field cannot take, with the refusal message.
    void refused(const QModelIndex& index, const QString& text, const QString& message) const;

private:
    bool showsSpin(const QModelIndex& index) const;

    QTableView* view_;
    OrderModel* model_;
    mutable std::optional<QString> retryText_;
};

// The order grid: in-place editing (F2, Enter), incremental search as the
// user types, Ctrl+Delete, Ctrl+F for the find dialog, Esc drops the edit.
class OrderGrid : public QTableView {
    Q_OBJECT
public:
    explicit OrderGrid(QWidget* parent = nullptr);

signals:
    void deleteRequested();
    void findRequested();
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The two footer rows under the grid, kept under the grid's columns. They
// are painted; assistive technology reads each row as a text of its own,
// caption and total (see accessibleRow).
class OrderFooter : public QWidget {
    Q_OBJECT
public:
    explicit OrderFooter(QTableView* view, QWidget* parent = nullptr);

    void setText(int row, int column, const QString& text);
    QString text(int row, int column) const;
    // Row 0 or 1 as read aloud: "caption: total", and the total alone.
    QString accessibleRow(int row) const;
    QString rowTotal(int row) const;
    // Where a row lies, in the footer's own coordinates.
    QRect rowRect(int row) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTableView* view_;
    QStringList texts_[2];
};

} // namespace order
