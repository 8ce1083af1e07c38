#pragma once

#include "lookup/HistoryFile.h"
#include "lookup/PartLookup.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolButton;

namespace data {
class TdmMain;
}

namespace order {
class TfmOrder;
}

namespace lookup {

class PartListModel;
class UpDown;

// The main window: the number field, the stock on hand, the found parts and
// cross numbers, the three prices, the status bar, the menu and the timers.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(data::TdmMain& dm, QWidget* parent = nullptr);
    ~TfmMain() override;

    // The order window is created after this one and lives as long.
    void setOrderWindow(order::TfmOrder* w);

    data::TdmMain& dm() const { return dm_; }

    // The current part, held by the lookup.
    qint32 CurrentPartID() const { return lookup_.view().currentPartId; }
    QString CurrentOENumber() const { return lookup_.view().currentOENumber; }
    const PartLookup& lookup() const { return lookup_; }

    // Button panel
    QFrame* paButtons;
    QLineEdit* edNumber;
    QCheckBox* cbWildSearch;
    QPushButton* bbSearch;
    QToolButton* sbCrossList;
    QToolButton* sbClient;
    QToolButton* sbMoves;
    QToolButton* sbOrder;
    QLabel* stOst;

    // Pages
    QTabWidget* pcTabs;
    QWidget* tsFindNum;
    QWidget* tsPrices;
    QTableView* dgCross;
    QTableView* dgSearchParts;
    PartListModel* dsCross;
    PartListModel* dsParts;
    QLineEdit* edRozn;
    QLineEdit* edMOpt;
    QLineEdit* edSpecial;
    QLineEdit* edRoznCount;
    QLineEdit* edMOptCount;
    QLineEdit* edSpecialCount;
    UpDown* udRozn;
    UpDown* udMOpt;
    UpDown* udSpecial;

    // Status bar: panel 0 reads "РЦ:", 1..3 the last-purchase figures, 4 the name.
    QStatusBar* sbMain;
    std::array<QLabel*, 5> sbPanels{};
    QString panelText(int i) const;
    void setPanel(int i, const QString& text);

    // Menu
    QMenuBar* mmMain;
    QAction* miDataBaseUpdate;
    QAction* miOptions;
    QAction* miCurrencies;
    QAction* miSearchLog;
    QAction* miCrossList;
    QAction* miFullOrder;
    QAction* miHelp;
    QAction* miEmailAuthor;
    QAction* miAbout;

    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;
    QTimer UpdateTimer;

    HistoryFile& history() { return history_; }

    // Hands a number to the search as the history, replacements and order
    // windows do: the number field takes it and the search runs as a press
    // of bbSearch. False when the search failed (its error has been shown):
    // the window that handed the number stays open.
    bool searchNumber(const QString& number);

public slots:
    // Number search
    void sbSearchClick();
    void FindParts(const QString& text);
    void LoadCrossNumbers();
    void TakeCurrentRow();
    void ShowPartList();
    void ShowCrossList();
    void dgSearchPartsDblClick();
    void dgCrossDblClick();
    void cbWildSearchClick();
    // True when the key was taken (Backspace in the empty field).
    bool edNumberKeyPress(QChar key);

    // Prices and stock
    void ClearDisplay();
    void ShowStockAndPrices();
    void ShowPrices(const QString& number);
    void ShowDescription(qint32 id);
    void edRoznCountChange();
    void edMOptCountChange();
    void edSpecialCountChange();

    // Commands
    void sbClientClick();
    void sbCrossListClick();
    void sbMovesClick();
    void sbOrderClick();
    void miDataBaseUpdateClick();
    void miOptionsClick();
    void miCurrenciesClick();
    void miSearchLogClick();
    void miHelpClick();
    void miEmailAuthorClick();
    void miAboutClick();

    // Timers
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kClientWidth = 290;
    static constexpr int kClientHeight = 228;

    void buildWindow();
    QWidget* buildButtonPanel();
    QWidget* buildPricesPage();
    void buildMenu();
    void FormCreate();
    void FormDestroy();
    void recordSearch();
    void quantityChange(PriceGroup group);
    void connectTick(QTimer& timer, bool enterprise);
    // Hands the number field and the page shown to the lookup before a step.
    void syncLookup();
    // Runs a step of the lookup that reads the enterprise database.
    void lookupStep(const std::function<void(PartLookup&)>& step);
    // Shows what the lookup holds.
    void render();
    QLineEdit* countField(PriceGroup group) const;
    QLineEdit* priceField(PriceGroup group) const;

    data::TdmMain& dm_;
    PartLookup lookup_;
    order::TfmOrder* order_ = nullptr;
    HistoryFile history_;
    bool lastSearchOk_ = true; // the last press of bbSearch ran to its end
};

} // namespace lookup
