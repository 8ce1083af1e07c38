#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace windows {

// Message when a markup text does not parse.
extern const QString kBadMarkup;

// The markup options window: shows the three factors as the settings file
// holds them, and on closing writes them back and puts them into effect.
class TfmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfmOptions(QWidget* parent = nullptr);

    QTabWidget* pcOptions;
    QWidget* tsCharges;
    QLabel* lbOtherRate;
    QLabel* lbOptRate;
    QLabel* lbRoznRate;
    QLineEdit* edOtherRate;
    QLineEdit* edOptRate;
    QLineEdit* edRoznRate;
    QFrame* paBottom;
    QPushButton* bbClose;

public slots:
    void FormCreate();
    // Saves the three texts; false keeps the window open.
    bool FormClose();

public:
    // Every way of closing (button, close box, Escape) passes through here.
    void done(int r) override;
};

} // namespace windows
