#include "windows/TfmMoves.h"

#include "platform/ErrorHandler.h"
#include "data/TdmMain.h"
#include "platform/FormFont.h"
#include "platform/RefreshHold.h"
#include "platform/WindowPlace.h"
#include "windows/MovesFormat.h"
#include "windows/MovesModel.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace windows {

namespace {

QFrame* bar(QWidget* parent, int height)
{
    auto* f = new QFrame(parent);
    f->setFixedHeight(height);
    return f;
}

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont font = l->font();
    font.setBold(true);
    l->setFont(font);
    return l;
}

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

TfmMoves::TfmMoves(data::TdmMain& dm, qint32 partId, QWidget* parent)
    : QDialog(parent), regional_(platform::Regional::current())
{
    setWindowTitle(QStringLiteral("Движения товара"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(452, 296);
    platform::useFormFont(this);

    // The rows are read again at every opening.
    data::Movements movements;
    platform::guarded([&dm, partId, &movements, this]() {
        movements = dm.movementsOf(partId);
        loaded_ = true;
    });

    DBGridEh1 = new QTableView(this);
    DBGridEh1->setFixedHeight(208);
    DBGridEh1->setAccessibleName(QStringLiteral("Движения товара"));
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridEh1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGridEh1->verticalHeader()->setDefaultSectionSize(DBGridEh1->fontMetrics().height() + 4);
    DBGridEh1->verticalHeader()->setFixedWidth(12); // the row indicator
    // Receipts and issues in their colours of the legend below.
    const QColor windowColour = QApplication::palette().color(QPalette::Active, QPalette::Base);
    dsMovements = new MovesModel(std::move(movements), regional_, windowColour, this);
    DBGridEh1->setModel(dsMovements);
    // Each column as wide as its data and title; the currency has its own width.
    DBGridEh1->resizeColumnsToContents();
    DBGridEh1->setColumnWidth(MovesModel::kCurrencyColumn, MovesModel::kCurrencyWidth);

    // Search bar
    Panel7 = bar(this, 25);
    Label7 = boldLabel(QStringLiteral("Поиск по номеру:"), Panel7);
    edDocNum = new QLineEdit(Panel7);
    edDocNum->setFixedWidth(87);
    sbClear = new QToolButton(Panel7);
    sbClear->setAutoRaise(true);
    sbClear->setIcon(style()->standardIcon(QStyle::SP_LineEditClearButton));
    sbClear->setFixedSize(23, 22);
    sbClear->setAccessibleName(QStringLiteral("Очистить поиск"));
    Label7->setBuddy(edDocNum);
    auto* search = new QHBoxLayout(Panel7);
    search->setContentsMargins(8, 1, 4, 1);
    search->setSpacing(6);
    search->addWidget(Label7);
    search->addWidget(edDocNum);
    search->addWidget(sbClear);
    search->addStretch();

    // Contractor bar
    Panel6 = bar(this, 19);
    dbtCont1 = boldLabel(QString(), Panel6);
    dbtCont2 = boldLabel(QString(), Panel6);
    for (QLabel* l : {dbtCont1, dbtCont2}) {
        l->setFixedWidth(200);
        l->setAlignment(Qt::AlignCenter);
    }
    lbVS = new QLabel(QStringLiteral("VS."), Panel6);
    QFont vs = lbVS->font();
    vs.setPixelSize(14);
    lbVS->setFont(vs);
    lbVS->setAlignment(Qt::AlignCenter);
    auto* contractors = new QHBoxLayout(Panel6);
    contractors->setContentsMargins(0, 0, 0, 0);
    contractors->setSpacing(0);
    contractors->addWidget(dbtCont1);
    contractors->addWidget(lbVS, 1);
    contractors->addWidget(dbtCont2);

    // Legend: receipts and issues are coloured so; the other three kinds
    // cannot be told from a line and stay uncoloured.
    Panel1 = bar(this, 44);
    const QPalette pal = QApplication::palette();
    paRedColor = legendSquare(kReceiptColour);
    Panel2 = legendSquare(pal.color(QPalette::Active, QPalette::Base));
    Panel3 = legendSquare(pal.color(QPalette::Disabled, QPalette::WindowText));
    Panel4 = legendSquare(QColor(0, 255, 0));
    Panel5 = legendSquare(QColor(0, 128, 128));
    Label1 = new QLabel(QStringLiteral("- Приход товара"), Panel1);
    Label2 = new QLabel(QStringLiteral("- Расход товара"), Panel1);
    Label3 = new QLabel(QStringLiteral("- Товар в открытом наряде"), Panel1);
    Label4 = new QLabel(QStringLiteral("- Товара в заказе"), Panel1);
    Label5 = new QLabel(QStringLiteral("- Наряд-заказ выполнен"), Panel1);
    // A size smaller, so that the three columns of captions fit the width.
    QFont small = Panel1->font();
    small.setPixelSize(10);
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5})
        l->setFont(small);
    auto* legend = new QGridLayout(Panel1);
    legend->setContentsMargins(6, 4, 2, 4);
    legend->setHorizontalSpacing(3);
    legend->setVerticalSpacing(4);
    legend->addWidget(paRedColor, 0, 0);
    legend->addWidget(Label1, 0, 1);
    legend->addWidget(Panel2, 1, 0);
    legend->addWidget(Label2, 1, 1);
    legend->addWidget(Panel3, 0, 2);
    legend->addWidget(Label3, 0, 3);
    legend->addWidget(Panel4, 1, 2);
    legend->addWidget(Label4, 1, 3);
    legend->addWidget(Panel5, 0, 4);
    legend->addWidget(Label5, 0, 5);
    legend->setColumnStretch(1, 1);
    legend->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DBGridEh1);
    layout->addWidget(Panel7);
    layout->addWidget(Panel6);
    layout->addWidget(Panel1);

    pmMoves = new QMenu(this);
    miShowDoc = pmMoves->addAction(QStringLiteral("Показать документ..."));
    connect(miShowDoc, &QAction::triggered, this, platform::guard(this, [this]() { miShowDocClick(); }));

    connect(edDocNum, &QLineEdit::textChanged, this, platform::guard(this, [this]() { edDocNumChange(); }));
    connect(sbClear, &QToolButton::clicked, this, platform::guard(this, [this]() { sbClearClick(); }));
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            platform::guard(this, [this]() { showContractors(); }));
    connect(this, &QDialog::finished, this, &TfmMoves::FormClose);

    // The first row is the current one on opening.
    if (dsMovements->rowCount() > 0)
        DBGridEh1->setCurrentIndex(dsMovements->index(0, 0));
    showContractors();
    platform::placeWindow(this);
    edDocNum->setFocus();
    // It shows the statement's rows, which a refresh would close.
    platform::holdsRefresh(this);
}

QFrame* TfmMoves::legendSquare(const QColor& colour)
{
    auto* f = new QFrame(Panel1);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Sunken);
    f->setFixedSize(13, 13);
    QPalette p = f->palette();
    p.setColor(QPalette::Window, colour);
    f->setPalette(p);
    f->setAutoFillBackground(true);
    return f;
}

int TfmMoves::exec()
{
    if (!loaded_)
        return QDialog::Rejected;
    return QDialog::exec();
}

void TfmMoves::FormClose()
{
    // Nothing of the window outlives it: the next opening reads afresh.
}

int TfmMoves::currentRow() const
{
    const QModelIndex cur = DBGridEh1->currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

void TfmMoves::showContractors()
{
    const int r = currentRow();
    dbtCont1->setText(r >= 0 ? dsMovements->row(r).contractorIn : QString());
    dbtCont2->setText(r >= 0 ? dsMovements->row(r).contractorOut : QString());
}

void TfmMoves::edDocNumChange()
{
    // Only the rows below the current one, without wrapping.
    const QString text = edDocNum->text();
    for (int r = currentRow() + 1; r < dsMovements->rowCount(); ++r) {
        const std::optional<qint32>& n = dsMovements->row(r).document;
        if (documentMatches(text, !n, n.value_or(0))) {
            DBGridEh1->setCurrentIndex(dsMovements->index(r, std::max(0, DBGridEh1->currentIndex().column())));
            return;
        }
    }
}

void TfmMoves::sbClearClick()
{
    edDocNum->clear();
}

void TfmMoves::miShowDocClick()
{
}

} // namespace windows
