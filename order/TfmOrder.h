#pragma once

#include "data/Reads.h"
#include "order/OrderTable.h"

#include <QDialog>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace data {
class TdmMain;
}

namespace order {

class OrderDelegate;
class OrderFooter;
class OrderGrid;
class OrderModel;

// The replenishment order window: the parts below their minimum stock, the
// editable order with its totals, and order files. Created once at start
// and shown again on each use; its rows survive hiding.
class TfmOrder : public QDialog {
    Q_OBJECT
public:
    explicit TfmOrder(data::TdmMain& dm, QWidget* parent = nullptr);
    ~TfmOrder() override;

    // Hands a number to the main window's search (edNumber + bbSearch).
    std::function<bool(const QString&)> searchNumber;

    // The order command of the main window: the warehouse choice back to "E",
    // then the window, modally.
    void execOrder();

    // The warehouse choice: empty = every warehouse, else a warehouse code.
    const std::optional<QString>& skladChoice() const { return skladChoice_; }
    void setSkladChoice(const std::optional<QString>& code);

    // The current cell's plain text (copy, "В калькулятор").
    QString currentCellText() const;
    // A footer text: row 0 main currency, row 1 EUR; column by field.
    QString footerText(int row, int column) const;
    // A build or "Оставить нули.." runs: its controls are greyed out.
    bool isBusy() const;
    // Searches the grid for a cell holding the text, from the cell after
    // the current one, row by row, wrapping; true when one was found.
    bool findInGrid(const QString& text);

    // Controls
    QLabel* lbSklad = nullptr;
    QComboBox* dlcSkald = nullptr;
    QToolButton* sbSkladClear = nullptr;
    QLabel* lbSort = nullptr;
    QComboBox* cbSort = nullptr;
    QToolButton* sbExport = nullptr;
    QToolButton* sbOpenOrder = nullptr;
    QToolButton* sbLeaveNull = nullptr;
    QPushButton* bbClose = nullptr;
    OrderGrid* dgOrder = nullptr;
    OrderFooter* dgOrderFooter = nullptr;
    QProgressBar* pbOrder = nullptr;
    QMenu* pmOrder = nullptr;
    QAction* miMovements = nullptr;
    QAction* miCopy = nullptr;
    QAction* N1 = nullptr;

    OrderTable mtOrder;
    OrderModel* dsOrder = nullptr;
    OrderDelegate* dgOrderDelegate = nullptr;

public slots:
    void FormShow();
    void FormClose();
    void sbSkladClearClick();
    void cbSortChange();
    void dgOrderSumListRecalcAll();
    void dsOrderDataChange();
    void sbLeaveNullClick();
    void sgOrderDblClick();
    void miCopyClick();
    void N1Click();
    void sbExportClick();
    void sbOpenOrderClick();
    void bbCloseClick();
    void dgOrderDeleteRow(); // Ctrl+Delete
    void dgOrderFind();      // Ctrl+F

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // While a build or "Оставить нули.." runs its controls are greyed out
    // (no other command runs meanwhile: platform/Commands.h); they come back
    // when it ends, also after an error.
    class Busy {
    public:
        explicit Busy(TfmOrder& w);
        ~Busy();

    private:
        void set(bool on);
        TfmOrder& w_;
    };
    void buildOrder();
    void leaveNull();
    void writeOrderFile();
    void readOrderFile();
    bool postPending();
    void currentRowChanged(int row, int previous);
    void showSkladChoice();
    void skladPicked(int row);
    QWidget* makeTopPanel();

    data::TdmMain& dm;
    std::vector<data::Warehouse> warehouses_; // as the box lists them
    std::optional<QString> skladChoice_;
    QChar decimalSep_;
    bool returningToEdit_ = false;
};

} // namespace order
