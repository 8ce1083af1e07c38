#pragma once

#include "windows/CurrencyModel.h"

#include <QDialog>
#include <QPersistentModelIndex>

class QFrame;
class QTableView;
class QToolButton;

namespace data {
class TdmMain;
}

namespace windows {

// The currency window: the price database's currency table in a grid with a
// record navigator.
class TfmCurrency : public QDialog {
    Q_OBJECT
public:
    enum NavButton { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };

    explicit TfmCurrency(data::TdmMain& dm, QWidget* parent = nullptr);

    QTableView* dgCurrency;
    CurrencyModel* dsCurrency;
    CurrencyDelegate* delegate;
    QFrame* dnCurrency;
    QToolButton* navButtons[10];

    QToolButton* button(NavButton b) const { return navButtons[b]; }

    // Closing asks first whether a change not yet stored is to be stored
    // («Сохранить изменения?»): Да stores it as leaving the row would, and
    // the window stays open when that fails; Нет drops it.
    void done(int r) override;

public slots:
    void dnCurrencyClick(int button);
    // The window has closed: it lets go of the currency table, which stays
    // open, with nothing pending on it.
    void FormClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitEditor();
    void closeEditorWithoutCommit();
    void gridRowChanged(int row, int previous);
    void leaveRow(int leaving, int target);
    void showRow(int row, int column = -1);
    bool insertedUntouched() const;
    void updateButtons();
    void editCurrentCell();

    void reportBadRate();

    data::CurrencyState state() const;
    int editRow() const;
    int currentRow() const;

    data::TdmMain& dm_;
    bool syncing_ = false;
    int lastRow_ = 0; // the grid's current row, kept over a reset
    QPersistentModelIndex rejectedIndex_; // a rate refused, not reported yet
    QString rejectedText_;
};

} // namespace windows
