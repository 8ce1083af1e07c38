#include "windows/QueryGrid.h"

#include "data/QueryModel.h"
#include "platform/ErrorHandler.h"

#include <QItemSelectionModel>
#include <QTableView>

namespace windows {

void putViewOn(QTableView* view, int row)
{
    QAbstractItemModel* model = view->model();
    if (!model || row < 0 || row >= model->rowCount())
        return;
    const QModelIndex cur = view->currentIndex();
    if (cur.isValid() && cur.row() == row)
        return;
    const QModelIndex idx = model->index(row, cur.isValid() ? cur.column() : 0);
    view->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(idx);
}

void followView(QTableView* view, std::function<void(int row)> moveCursor)
{
    // A move of the cursor is a command like any other (platform/Commands.h).
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [view, moveCursor = std::move(moveCursor)](const QModelIndex& cur) {
                         if (!cur.isValid())
                             return;
                         const int row = cur.row();
                         platform::guardedFor(view, [moveCursor, row] { moveCursor(row); });
                     });
}

void bindGrid(QTableView* view, data::QueryModel* model)
{
    view->setModel(model);
    const auto& cols = model->gridColumns();
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].width > 0)
            view->setColumnWidth(static_cast<int>(i), cols[i].width);
    fb::Query* q = &model->query();
    QObject::connect(q, &fb::Query::currentRowChanged, view, [view](int row) { putViewOn(view, row); });
    // After a reset the view has no current index: put it on the cursor row.
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view, q]() { putViewOn(view, q->currentRow()); });
    followView(view, [q](int row) {
        if (row != q->currentRow())
            q->moveTo(row);
    });
}

} // namespace windows
