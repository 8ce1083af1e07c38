#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextEdit;

namespace lookup {

// The search history window: the history file as text, a jump to the first
// search of a day, a text search, copy, and a number sent back to the search.
class TfmSearchLog : public QDialog {
    Q_OBJECT
public:
    // moveToCalc hands the selected text to the main window's search.
    TfmSearchLog(const QString& historyPath, std::function<bool(const QString&)> moveToCalc,
                 QWidget* parent = nullptr);

    QLabel* Label1;
    QDateEdit* dpDate;
    QFrame* Bevel1;
    QLabel* Label2;
    QLineEdit* edSearch;
    QPushButton* bbSearch;
    QTextEdit* mSearchLog;
    QMenu* pmSearchLog;
    QAction* miCopy;
    QAction* miMoveToCalc;

    // The selected text, line ends as CR LF.
    QString selectedText() const;

public slots:
    void dpDateChange();
    void bbSearchClick();
    void miCopyClick();
    void miMoveToCalcClick();
    // The window has closed.
    void FormClose();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormCreate(const QString& historyPath);
    void FormShow();
    std::function<bool(const QString&)> moveToCalc_;
};

} // namespace lookup
