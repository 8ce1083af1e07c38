#pragma once

#include <functional>

class QTableView;

namespace windows {

// Puts the view's current row on `row` and scrolls to it; a row the model
// does not have changes nothing.
void putViewOn(QTableView* view, int row);

// Hands every move of the view's current row (by mouse or keyboard) to
// moveCursor, so the list the grid shows knows its cursor row.
void followView(QTableView* view, std::function<void(int row)> moveCursor);

} // namespace windows
