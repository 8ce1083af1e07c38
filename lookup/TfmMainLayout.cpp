// The main window's controls, laid out as the window is drawn: the button
// panel, the pages "Поиск" and "Цены", and the status bar.

#include "lookup/TfmMain.h"

#include "data/TdmMain.h"
#include "lookup/Icons.h"
#include "lookup/PartListModel.h"
#include "lookup/UpDown.h"
#include "lookup/UpperCaseEdit.h"
#include "platform/Accessible.h"
#include "platform/Desktop.h"
#include "platform/ErrorHandler.h"
#include "platform/Failure.h"
#include "platform/FormFont.h"
#include "platform/WindowPlace.h"
#include "windows/GridView.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace lookup {

namespace {

QTableView* makePartGrid(QWidget* parent)
{
    auto* g = new QTableView(parent);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setFrameShape(QFrame::NoFrame);
    g->setShowGrid(true);
    g->verticalHeader()->setDefaultSectionSize(18);
    g->verticalHeader()->setFixedWidth(12);
    g->horizontalHeader()->setHighlightSections(false);
    return g;
}

QToolButton* flatButton(QWidget* parent, const QString& hint, const QIcon& icon, QRect geometry)
{
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setAccessibleName(hint); // an image alone says nothing to a screen reader
    b->setIcon(icon);
    b->setIconSize(QSize(16, 16));
    b->setFocusPolicy(Qt::NoFocus);
    b->setGeometry(geometry);
    return b;
}

// The button panel's frame: a raised inner bevel inside a lowered outer
// one, each one pixel wide.
class BevelPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        qDrawShadePanel(&p, rect(), palette(), true, 1);
        qDrawShadePanel(&p, rect().adjusted(1, 1, -1, -1), palette(), false, 1);
    }
};

} // namespace

void TfmMain::buildWindow()
{
    setWindowTitle(QStringLiteral("Остатки по складу"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    platform::useFormFont(this);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildButtonPanel());

    pcTabs = new QTabWidget(client);
    pcTabs->setDocumentMode(true);
    pcTabs->setAccessibleName(QStringLiteral("Страницы поиска и цен"));
    pcTabs->setStyleSheet(QStringLiteral("QTabBar::tab { border: 1px solid palette(mid); padding: 2px 8px; "
                                         "margin: 2px 1px; } QTabBar::tab:selected { background: palette(mid); }"));
    tsFindNum = new QWidget;
    auto* stack = new QStackedLayout(tsFindNum);
    stack->setContentsMargins(0, 0, 0, 0);
    dgCross = makePartGrid(tsFindNum);
    dgSearchParts = makePartGrid(tsFindNum);
    dgCross->setAccessibleName(QStringLiteral("Кросс-номера"));
    dgSearchParts->setAccessibleName(QStringLiteral("Найденные детали"));
    stack->addWidget(dgCross);
    stack->addWidget(dgSearchParts);
    dsCross = new PartListModel(this);
    dsParts = new PartListModel(this);
    for (QTableView* grid : {dgCross, dgSearchParts}) {
        grid->setModel(grid == dgCross ? dsCross : dsParts);
        grid->setColumnWidth(0, 100);
        grid->setColumnWidth(1, 100);
    }
    windows::followView(dgCross, [this](int row) { lookup_.moveCross(row); });
    windows::followView(dgSearchParts, [this](int row) { lookup_.moveParts(row); });
    connect(dgSearchParts, &QTableView::doubleClicked, this, platform::guard(this, [this] { dgSearchPartsDblClick(); }));
    connect(dgCross, &QTableView::doubleClicked, this, platform::guard(this, [this] { dgCrossDblClick(); }));
    pcTabs->addTab(tsFindNum, QStringLiteral("Поиск"));
    tsPrices = buildPricesPage();
    pcTabs->addTab(tsPrices, QStringLiteral("Цены"));
    column->addWidget(pcTabs, 1);
    setCentralWidget(client);

    sbMain = new QStatusBar(this);
    sbMain->setSizeGripEnabled(false);
    sbMain->setFixedHeight(19);
    for (size_t i = 0; i < sbPanels.size(); ++i) {
        auto* panel = new QLabel(sbMain);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        // The last panel, the part's name, takes the rest of the bar, as a
        // status bar's last panel does.
        const bool last = i + 1 == sbPanels.size();
        if (last)
            panel->setMinimumWidth(50);
        else
            panel->setFixedWidth(50);
        sbMain->addWidget(panel, last ? 1 : 0);
        sbPanels[i] = panel;
    }
    sbPanels[0]->setText(QStringLiteral("РЦ:"));
    sbPanels[0]->setAccessibleName(QStringLiteral("РЦ: цены от последней закупки с наценками"));
    platform::captionDisplay(sbPanels[1], QStringLiteral("Цена с наценкой другая"));
    platform::captionDisplay(sbPanels[2], QStringLiteral("Цена с наценкой опт"));
    platform::captionDisplay(sbPanels[3], QStringLiteral("Цена с наценкой розница"));
    platform::captionDisplay(sbPanels[4], QStringLiteral("Наименование детали"));
    setStatusBar(sbMain);

    // The search page's cross grid is what a new window shows.
    stack->setCurrentWidget(dgCross);
}

QWidget* TfmMain::buildButtonPanel()
{
    paButtons = new BevelPanel;
    paButtons->setFixedHeight(54);

    edNumber = new QLineEdit(paButtons);
    edNumber->setObjectName(QStringLiteral("edNumber"));
    edNumber->setGeometry(9, 8, 89, 21);
    edNumber->setAccessibleName(QStringLiteral("Номер детали"));
    edNumber->installEventFilter(this);
    // Part numbers are kept in capitals; typed letters become capitals at once.
    makeUpperCase(edNumber);

    cbWildSearch = new QCheckBox(QStringLiteral("По подстроке"), paButtons);
    cbWildSearch->setGeometry(9, 32, 93, 17);
    // Toggled, not clicked: a screen reader's toggle emits no click.
    connect(cbWildSearch, &QCheckBox::toggled, this, platform::guard(this, [this] { cbWildSearchClick(); }));

    bbSearch = new QPushButton(paButtons);
    bbSearch->setObjectName(QStringLiteral("bbSearch"));
    bbSearch->setGeometry(104, 5, 44, 44);
    bbSearch->setIcon(searchIcon(32));
    bbSearch->setIconSize(QSize(32, 32));
    bbSearch->setDefault(true);
    bbSearch->setAccessibleName(QStringLiteral("Поиск"));
    // Whoever pressed it (the user, or a window handing a number back) can
    // learn whether the search failed; the failure itself is shown once here.
    connect(bbSearch, &QPushButton::clicked, this,
            [this] { lastSearchOk_ = platform::guardedFor(this, [this] { sbSearchClick(); }); });

    sbCrossList = flatButton(paButtons, QStringLiteral("Замены..."), glyphIcon(QStringLiteral("⇄"), QColor(0, 100, 0), 16),
                             QRect(152, 4, 23, 22));
    sbClient = flatButton(paButtons, QStringLiteral("Показать/Скрыть панель статуса"),
                          glyphIcon(QStringLiteral("▁"), QColor(0, 0, 128), 16), QRect(153, 27, 22, 22));
    sbClient->setCheckable(true);
    sbMoves = flatButton(paButtons, QStringLiteral("Движения товара..."),
                         glyphIcon(QStringLiteral("⇅"), QColor(128, 0, 0), 16), QRect(177, 4, 23, 22));
    sbOrder = flatButton(paButtons, QStringLiteral("Формирование заказа..."),
                         glyphIcon(QStringLiteral("≡"), QColor(90, 60, 0), 16), QRect(177, 27, 23, 22));
    connect(sbCrossList, &QToolButton::clicked, this, platform::guard(this, [this] { sbCrossListClick(); }));
    // The bar follows the button however it changes: a click, or a screen
    // reader's toggle, which emits no click.
    connect(sbClient, &QToolButton::toggled, this, platform::guard(this, [this] { sbClientClick(); }));
    connect(sbMoves, &QToolButton::clicked, this, platform::guard(this, [this] { sbMovesClick(); }));
    connect(sbOrder, &QToolButton::clicked, this, platform::guard(this, [this] { sbOrderClick(); }));

    stOst = new QLabel(paButtons);
    stOst->setGeometry(kClientWidth - 84 - 2, 2, 84, 50);
    stOst->setAlignment(Qt::AlignCenter);
    stOst->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont big = stOst->font();
    big.setPixelSize(23);
    big.setBold(true);
    stOst->setFont(big);
    platform::captionDisplay(stOst, QStringLiteral("Остаток на складе"));
    return paButtons;
}

QWidget* TfmMain::buildPricesPage()
{
    auto* page = new QWidget;
    auto* col = new QVBoxLayout(page);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    QFont navy = font();
    navy.setPixelSize(23);

    struct Group {
        const char* title;
        QLineEdit** price;
        QLineEdit** count;
        UpDown** upDown;
        void (TfmMain::*change)();
    };
    const Group groups[] = {
        {"Розница", &edRozn, &edRoznCount, &udRozn, &TfmMain::edRoznCountChange},
        {"Опт", &edMOpt, &edMOptCount, &udMOpt, &TfmMain::edMOptCountChange},
        {"Другая", &edSpecial, &edSpecialCount, &udSpecial, &TfmMain::edSpecialCountChange},
    };
    for (const Group& g : groups) {
        auto* box = new QGroupBox(QString::fromUtf8(g.title), page);
        box->setFixedHeight(41);
        auto* x = new QLabel(QStringLiteral("x"), box);
        x->setFont(navy);
        x->setStyleSheet(QStringLiteral("color: navy"));
        x->setGeometry(55, 12, 14, 23);
        auto* count = new QLineEdit(QStringLiteral("1"), box);
        count->setGeometry(73, 14, 33, 21);
        auto* ud = new UpDown(count, 1, 1000, box);
        ud->setGeometry(106, 14, 16, 21);
        auto* eq = new QLabel(QStringLiteral("="), box);
        eq->setFont(navy);
        eq->setStyleSheet(QStringLiteral("color: navy"));
        eq->setGeometry(126, 12, 16, 23);
        auto* price = new QLineEdit(box);
        price->setGeometry(148, 14, 50, 21);
        count->setAccessibleName(QStringLiteral("Количество, %1").arg(box->title()));
        price->setAccessibleName(QStringLiteral("Цена, %1").arg(box->title()));
        ud->upButton()->setAccessibleName(QStringLiteral("Больше, %1").arg(box->title()));
        ud->downButton()->setAccessibleName(QStringLiteral("Меньше, %1").arg(box->title()));
        *g.price = price;
        *g.count = count;
        *g.upDown = ud;
        auto change = g.change;
        connect(count, &QLineEdit::textChanged, this, platform::guard(this, [this, change] { (this->*change)(); }));
        col->addWidget(box);
    }
    col->addStretch(1);
    return page;
}

} // namespace lookup
