#pragma once

#include "order/OrderLine.h"

#include <QObject>

#include <functional>
#include <vector>

namespace order {

// The in-memory order table: rows in the order they were added, no key, the
// line sums kept out of storage and summed into a running total.
class OrderTable : public QObject {
    Q_OBJECT
public:
    explicit OrderTable(QObject* parent = nullptr);

    void open();  // the total restarts from the rows held
    void close();
    bool isOpen() const { return open_; }

    int count() const { return int(rows_.size()); }
    const OrderLine& row(int i) const { return rows_.at(size_t(i)); }
    const std::vector<OrderLine>& rows() const { return rows_; }

    // The main-currency total: the sum of every stored row's line sum.
    double total() const { return total_; }

    // Storing a row cuts its texts to the field sizes and refuses (with
    // platform::Failure) a row without ID or NAME or a closed table.
    void append(OrderLine line);
    void replace(int i, OrderLine line);
    void remove(int i);
    void clear();
    // Replaces every row at once; a row that cannot be stored refuses the
    // whole set and leaves the table as it was.
    void replaceAll(std::vector<OrderLine> lines);
    // Removes every row the predicate names; returns how many went.
    int removeIf(const std::function<bool(const OrderLine&)>& drop);

signals:
    void aboutToReset();
    void resetDone();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void totalChanged(double total);

private:
    void checkOpen() const;
    static void checkStorable(OrderLine& line);
    void recount();

    std::vector<OrderLine> rows_;
    double total_ = 0;
    bool open_ = false;
};

} // namespace order
