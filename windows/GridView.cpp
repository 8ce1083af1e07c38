#include "windows/GridView.h"

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

} // namespace windows
