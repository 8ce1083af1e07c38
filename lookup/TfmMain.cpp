#include "lookup/TfmMain.h"

#include "app/ErrorHandler.h"
#include "app/Markup.h"
#include "data/QueryModel.h"
#include "data/TdmMain.h"
#include "lookup/Icons.h"
#include "lookup/UpDown.h"
#include "lookup/UpperCaseEdit.h"
#include "platform/Accessible.h"
#include "platform/Desktop.h"
#include "platform/Failure.h"
#include "platform/FormFont.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"

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
#include <QScreen>
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

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 228;

QChar decimalSep()
{
    return platform::Regional::current().decimalSeparator;
}

// Blanks and control characters at both ends do not count.
bool blank(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 32)
            return false;
    return true;
}

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

std::vector<data::GridColumn> partGridColumns()
{
    return {{QStringLiteral("MANUFACTURECODE"), QStringLiteral("Номер"), 100, {}, Qt::AlignLeft | Qt::AlignVCenter},
            {QStringLiteral("NUMBER"), QStringLiteral("Оригинал"), 100, {}, Qt::AlignLeft | Qt::AlignVCenter}};
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

TfmMain::TfmMain(data::TdmMain& dm, QWidget* parent)
    : QMainWindow(parent), dm_(dm), history_(platform::exeDir() + QStringLiteral("SearchedNum.log"))
{
    buildWindow();
    buildMenu();

    Timer1.setInterval(1000);
    Timer2.setInterval(1000);
    Timer3.setInterval(3000);
    UpdateTimer.setInterval(60000);
    connect(&Timer1, &QTimer::timeout, this, &TfmMain::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TfmMain::Timer2Timer);
    connect(&Timer3, &QTimer::timeout, this, &TfmMain::Timer3Timer);
    connect(&UpdateTimer, &QTimer::timeout, this, app::guard([this] { miDataBaseUpdateClick(); }));
    UpdateTimer.start();

    FormCreate();
}

TfmMain::~TfmMain()
{
    FormDestroy();
}

void TfmMain::setOrderWindow(order::TfmOrder* w)
{
    order_ = w;
}

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
    dsCross = new data::QueryModel(dm_.ibqGetCrossNums, partGridColumns(), this);
    dsParts = new data::QueryModel(dm_.ibqGetPartID, partGridColumns(), this);
    data::bindGrid(dgCross, dsCross);
    data::bindGrid(dgSearchParts, dsParts);
    connect(dgSearchParts, &QTableView::doubleClicked, this, app::guard([this] { dgSearchPartsDblClick(); }));
    connect(dgCross, &QTableView::doubleClicked, this, app::guard([this] { dgCrossDblClick(); }));
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
    ShowCrossList();
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
    connect(cbWildSearch, &QCheckBox::clicked, this, app::guard([this] { cbWildSearchClick(); }));

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
            [this] { lastSearchOk_ = app::guarded([this] { sbSearchClick(); }); });

    sbCrossList = flatButton(paButtons, QStringLiteral("Замены..."), glyphIcon(QStringLiteral("⇄"), QColor(0, 100, 0), 16),
                             QRect(152, 4, 23, 22));
    sbClient = flatButton(paButtons, QStringLiteral("Показать/Скрыть панель статуса"),
                          glyphIcon(QStringLiteral("▁"), QColor(0, 0, 128), 16), QRect(153, 27, 22, 22));
    sbClient->setCheckable(true);
    sbMoves = flatButton(paButtons, QStringLiteral("Движения товара..."),
                         glyphIcon(QStringLiteral("⇅"), QColor(128, 0, 0), 16), QRect(177, 4, 23, 22));
    sbOrder = flatButton(paButtons, QStringLiteral("Формирование заказа..."),
                         glyphIcon(QStringLiteral("≡"), QColor(90, 60, 0), 16), QRect(177, 27, 23, 22));
    connect(sbCrossList, &QToolButton::clicked, this, app::guard([this] { sbCrossListClick(); }));
    connect(sbClient, &QToolButton::clicked, this, app::guard([this] { sbClientClick(); }));
    connect(sbMoves, &QToolButton::clicked, this, app::guard([this] { sbMovesClick(); }));
    connect(sbOrder, &QToolButton::clicked, this, app::guard([this] { sbOrderClick(); }));

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
        connect(count, &QLineEdit::textChanged, this, app::guard([this, change] { (this->*change)(); }));
        col->addWidget(box);
    }
    col->addStretch(1);
    return page;
}

void TfmMain::setPanel(int i, const QString& text)
{
    QLabel* panel = sbPanels.at(static_cast<size_t>(i));
    panel->setText(text);
    panel->setToolTip(text); // a part's name is longer than its panel
}

QString TfmMain::panelText(int i) const
{
    return sbPanels.at(static_cast<size_t>(i))->text();
}

void TfmMain::FormCreate()
{
    pcTabs->setCurrentWidget(tsFindNum);
    // An unreadable history file is reported; the window still comes up, and
    // the file's lines are kept when the next search saves.
    app::guarded([this] { history_.load(); });
    Timer1.start();
    Timer2.start();
    Timer3.start();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    edNumber->setFocus();
}

void TfmMain::FormDestroy()
{
    try {
        dm_.ibdAE.disconnect();
    } catch (const platform::Failure&) {
        // Closing down: the enterprise transaction is only ever rolled back.
    }
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == edNumber && key->key() == Qt::Key_Backspace) {
            bool taken = false;
            app::guarded([&] { taken = edNumberKeyPress(QChar(8)); });
            return taken;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::keyPressEvent(QKeyEvent* event)
{
    // bbSearch is the window's default button: Enter that no control took
    // for itself (the number field, the check box, the quantity and price
    // fields, the grids) presses it. A main window has no default button of
    // its own, so the press is made here.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        bbSearch->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---- Number search ---------------------------------------------------------

bool TfmMain::searchNumber(const QString& number)
{
    edNumber->setText(number);
    lastSearchOk_ = false;
    bbSearch->click();
    return lastSearchOk_;
}

void TfmMain::sbSearchClick()
{
    // A search is not started again from the window messages it lets run.
    if (searching_)
        return;
    searching_ = true;
    struct Done {
        TfmMain* w;
        // The refresh comes back on even when a step fails: a search that
        // stopped on an error must not leave the connections unrefreshed for
        // the rest of the day.
        ~Done()
        {
            w->UpdateTimer.start();
            w->searching_ = false;
        }
    } done{this};

    CurrentPartID = 0;
    CurrentOENumber.clear();
    const QString text = edNumber->text();
    ClearDisplay();
    UpdateTimer.stop();
    if (blank(text))
        return;
    if (pcTabs->currentWidget() == tsPrices) {
        ShowPrices(edNumber->text());
    } else {
        FindParts(text);
        if (cbWildSearch->isChecked()) {
            LoadCrossNumbers();
        } else if (dm_.ibqGetPartID.recordCount() == 1) {
            ShowStockAndPrices();
            LoadCrossNumbers();
            ShowCrossList();
        } else {
            ShowPartList();
        }
    }
    ShowDescription(CurrentPartID);
    recordSearch();
}

void TfmMain::recordSearch()
{
    history_.append(historyLine(platform::now(), edNumber->text(), platform::Regional::current()));
}

void TfmMain::FindParts(const QString& text)
{
    fb::Query& q = dm_.ibqGetPartID;
    q.close();
    if (!q.prepared())
        q.prepare();
    q.setParam(QStringLiteral("Num"), QStringLiteral("%") + text + QStringLiteral("%"));
    q.open();
    q.last();
    QCoreApplication::processEvents();
    if (q.hasRow()) {
        CurrentPartID = q.field(QStringLiteral("ID")).asInteger();
        CurrentOENumber = q.field(QStringLiteral("NUMBER")).asString();
    }
}

void TfmMain::LoadCrossNumbers()
{
    fb::Query& q = dm_.ibqGetCrossNums;
    q.close();
    if (!q.prepared())
        q.prepare();
    q.setParam(QStringLiteral("IDCODE"), CurrentPartID);
    // Without an OE number the OE condition is to match nothing: a NULL
    // pattern never matches.
    q.setParam(QStringLiteral("PartOE"), CurrentOENumber.isEmpty() ? fb::Value{} : fb::Value{CurrentOENumber});
    q.open();
    q.last();
    if (q.hasRow()) {
        CurrentPartID = q.field(QStringLiteral("ID")).asInteger();
        CurrentOENumber = q.field(QStringLiteral("NUMBER")).asString();
    }
}

void TfmMain::TakeCurrentRow()
{
    for (fb::Query* q : {&dm_.ibqGetPartID, &dm_.ibqGetCrossNums}) {
        if (!q->hasRow())
            continue;
        CurrentPartID = q->field(QStringLiteral("ID")).asInteger();
        CurrentOENumber = q->field(QStringLiteral("NUMBER")).asString();
        edNumber->setText(q->field(QStringLiteral("MANUFACTURECODE")).asString());
    }
}

void TfmMain::ShowPartList()
{
    static_cast<QStackedLayout*>(tsFindNum->layout())->setCurrentWidget(dgSearchParts);
}

void TfmMain::ShowCrossList()
{
    static_cast<QStackedLayout*>(tsFindNum->layout())->setCurrentWidget(dgCross);
}

void TfmMain::dgSearchPartsDblClick()
{
    fb::Query& q = dm_.ibqGetPartID;
    if (!q.hasRow())
        return;
    CurrentPartID = q.field(QStringLiteral("ID")).asInteger();
    CurrentOENumber = q.field(QStringLiteral("NUMBER")).asString();
    const QString clicked = q.field(QStringLiteral("MANUFACTURECODE")).asString();
    if (!blank(CurrentOENumber)) {
        LoadCrossNumbers();
        ShowPrices(clicked);
        edNumber->setText(clicked);
        ShowCrossList();
    } else {
        pcTabs->setCurrentWidget(tsPrices);
        if (auto stock = dm_.stockFigure(CurrentPartID))
            stOst->setText(platform::formatFixed(*stock, 5, 2, decimalSep()));
        else
            setPanel(4, {});
        LoadCrossNumbers();
        ShowPrices(clicked);
        edNumber->setText(clicked);
    }
}

void TfmMain::dgCrossDblClick()
{
    ShowStockAndPrices();
}

void TfmMain::cbWildSearchClick()
{
    if (cbWildSearch->isChecked())
        ShowPartList();
    else
        ShowCrossList();
    edNumber->setFocus();
}

bool TfmMain::edNumberKeyPress(QChar key)
{
    if (key.unicode() == 8 && edNumber->text().isEmpty()) {
        pcTabs->setCurrentWidget(tsFindNum);
        return true;
    }
    return false;
}

// ---- Prices and stock ------------------------------------------------------

void TfmMain::ClearDisplay()
{
    stOst->clear();
    edRoznCount->setText(QStringLiteral("1"));
    edRozn->clear();
    edMOptCount->setText(QStringLiteral("1"));
    edMOpt->clear();
    edSpecialCount->setText(QStringLiteral("1"));
    edSpecial->clear();
    for (int i = 1; i < int(sbPanels.size()); ++i)
        setPanel(i, {});
    dm_.ibqGetPartID.close();
    dm_.ibqGetCrossNums.close();
}

void TfmMain::ShowStockAndPrices()
{
    TakeCurrentRow();
    if (auto stock = dm_.stockFigure(CurrentPartID)) {
        stOst->setText(platform::formatFixed(*stock, 5, 2, decimalSep()));
    } else {
        stOst->clear();
        setPanel(4, {});
    }
    pcTabs->setCurrentWidget(tsPrices);
    ShowPrices(edNumber->text());
}

void TfmMain::ShowPrices(const QString& number)
{
    for (QLineEdit* count : {edRoznCount, edMOptCount, edSpecialCount})
        count->setText(QStringLiteral("1"));
    fb::Query& q = dm_.ibqGetPrices;
    q.close();
    q.setParam(QStringLiteral("Num"), number);
    q.open();
    if (q.hasRow()) {
        const QChar sep = decimalSep();
        auto priceText = [&](const char* column) {
            const fb::Field f = q.field(QString::fromLatin1(column));
            return f.isNull() ? QString() : platform::formatGeneral(f.asDouble(), sep, 15);
        };
        edRozn->setText(priceText("PRICER"));
        edMOpt->setText(priceText("PRICEMO"));
        edSpecial->setText(priceText("PRICES"));
    }
    if (CurrentPartID != 0 && !stOst->text().isEmpty()) {
        fb::Query& last = dm_.ibqGetLastPrice;
        last.close();
        if (!last.prepared())
            last.prepare();
        last.setParam(QStringLiteral("Parm1"), CurrentPartID);
        last.setParam(QStringLiteral("Parm2"), CurrentPartID);
        last.open();
        if (last.hasRow()) {
            last.first();
            const fb::Field price = last.field(QStringLiteral("PRICE"));
            const auto& m = app::markup();
            const float rates[] = {m.other, m.opt, m.rozn};
            for (int i = 0; i < 3; ++i) {
                // A line without a price gives no figure rather than a
                // made-up 0.
                const QString t = price.isNull()
                                      ? QString()
                                      : QString::number(platform::RoundUp(price.asDouble() * double(rates[i])));
                setPanel(i + 1, t);
            }
        }
    } else {
        for (int i = 1; i <= 3; ++i)
            setPanel(i, {});
    }
    QCoreApplication::processEvents();
}

void TfmMain::ShowDescription(qint32 id)
{
    fb::Query& q = dm_.ibqGetDescr;
    q.close();
    if (!q.prepared())
        q.prepare();
    q.setParam(QStringLiteral("ID"), id);
    q.open();
    setPanel(4, q.hasRow() ? q.field(QStringLiteral("NAME")).asString() : QString());
}

void TfmMain::priceQuantity(QLineEdit* count, QLineEdit* price, const char* column)
{
    int n = 0;
    if (!platform::parseInteger(count->text(), &n))
        throw platform::Failure(QStringLiteral("'%1' is not a valid integer value").arg(count->text()));
    const fb::Query& q = dm_.ibqGetPrices;
    const double p = q.hasRow() ? q.field(QString::fromLatin1(column)).asDouble() : 0.0;
    price->setText(QString::number(platform::RoundUp(p * n)));
}

void TfmMain::edRoznCountChange()
{
    priceQuantity(edRoznCount, edRozn, "PRICER");
}

void TfmMain::edMOptCountChange()
{
    priceQuantity(edMOptCount, edMOpt, "PRICEMO");
}

void TfmMain::edSpecialCountChange()
{
    priceQuantity(edSpecialCount, edSpecial, "PRICES");
}

} // namespace lookup
