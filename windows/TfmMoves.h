#pragma once

#include "platform/Regional.h"

#include <QDialog>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class QToolButton;

namespace data {
class TdmMain;
}

namespace windows {

class MovesModel;

// The goods movements of one part: every document line with its document,
// oldest first, the contractors of the current row's document, and a field
// that steps down to a document by its number. It only reads.
class TfmMoves : public QDialog {
    Q_OBJECT
public:
    // Reads the part's movements afresh. When that fails the error is shown
    // and exec() returns at once without showing the window.
    TfmMoves(data::TdmMain& dm, qint32 partId, QWidget* parent = nullptr);

    bool loaded() const { return loaded_; }
    int exec() override;

    QTableView* DBGridEh1;
    MovesModel* dsMovements;

    QFrame* Panel7;
    QLabel* Label7;
    QLineEdit* edDocNum;
    QToolButton* sbClear;

    QFrame* Panel6;
    QLabel* dbtCont1;
    QLabel* lbVS;
    QLabel* dbtCont2;

    QFrame* Panel1;
    QFrame* paRedColor;
    QFrame* Panel2;
    QFrame* Panel3;
    QFrame* Panel4;
    QFrame* Panel5;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;

    // Kept for the document view that may come; attached to no control.
    QMenu* pmMoves;
    QAction* miShowDoc;

public slots:
    void edDocNumChange();
    void sbClearClick();
    void miShowDocClick();
    void FormClose();

private:
    void showContractors();
    int currentRow() const;
    QFrame* legendSquare(const QColor& colour);

    platform::Regional regional_;
    bool loaded_ = false;
};

} // namespace windows
