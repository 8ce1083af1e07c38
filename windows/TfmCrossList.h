#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QListWidget;
class QMenu;

namespace windows {

// The replacement numbers of a part, one entry per line of its remark. A
// double click hands the entry to the main window's search; the context menu
// copies it.
class TfmCrossList : public QDialog {
    Q_OBJECT
public:
    // The entries are the lines of the remark of the part list's cursor row,
    // read once by the opener. searchNumber puts a number into the main
    // window's number field and runs its search.
    TfmCrossList(const QString& remark, std::function<bool(const QString&)> searchNumber, QWidget* parent = nullptr);

    // Replaces all entries by the lines of remark, none selected.
    void loadEntries(const QString& remark);

    QListWidget* lbCross;
    QMenu* pmCross;
    QAction* N1;

public slots:
    void lbCrossDblClick();
    void N1Click();
    // The window has closed: its entries go.
    void FormClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The selected entry; nothing when no entry is selected.
    bool selectedEntry(QString* text) const;

    std::function<bool(const QString&)> searchNumber_;
};

} // namespace windows
