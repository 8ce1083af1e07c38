#include "order/OrderGrid.h"

#include "platform/ErrorHandler.h"

#include "order/OrderModel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>

namespace order {

namespace {
constexpr int spinWidth = 14;
const int toOrderColumn = int(OrderField::ToOrder);
} // namespace

OrderDelegate::OrderDelegate(QTableView* view, OrderModel* model)
    : QStyledItemDelegate(view), view_(view), model_(model)
{
}

QRect OrderDelegate::spinButtonRect(const QRect& cell, bool up)
{
    const int half = cell.height() / 2;
    return up ? QRect(cell.right() - spinWidth + 1, cell.top(), spinWidth, half)
              : QRect(cell.right() - spinWidth + 1, cell.top() + half, spinWidth, cell.height() - half);
}

bool OrderDelegate::showsSpin(const QModelIndex& index) const
{
    return index.column() == toOrderColumn && index.row() == view_->currentIndex().row() && !model_->isReadOnly();
}

void OrderDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!showsSpin(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem text = option;
    text.rect.setRight(option.rect.right() - spinWidth);
    QStyledItemDelegate::paint(painter, text, index);

    QStyle* style = view_->style();
    for (bool up : {true, false}) {
        QStyleOptionButton button;
        button.initFrom(view_);
        button.rect = spinButtonRect(option.rect, up);
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        style->drawControl(QStyle::CE_PushButtonBevel, &button, painter, view_);
        QStyleOption arrow;
        arrow.initFrom(view_);
        arrow.rect = button.rect.adjusted(2, 1, -2, -1);
        arrow.state = QStyle::State_Enabled;
        style->drawPrimitive(up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, painter, view_);
    }
}

void OrderDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && retryText_) {
        line->setText(*retryText_);
        retryText_.reset();
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void OrderDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line)
        return;
    const QString typed = line->text();
    if (typed == index.data(Qt::EditRole).toString())
        return; // left unchanged: the row does not go into editing
    // The editor hands its text over when the focus leaves it, which may be
    // while a command waits for the server: then it comes after it.
    const QPersistentModelIndex at(index);
    platform::guardedFor(model_, [this, at, typed] {
        if (!at.isValid())
            return;
        const QString refusal = model_->setCellText(at.row(), at.column(), typed);
        if (!refusal.isEmpty())
            emit refused(at, typed, refusal);
    });
}

bool OrderDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        && showsSpin(index)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        for (bool up : {true, false}) {
            if (mouse->button() == Qt::LeftButton && spinButtonRect(option.rect, up).contains(at)) {
                const QString refusal = model_->stepToOrder(index.row(), up ? 1 : -1);
                if (!refusal.isEmpty())
                    emit refused(index, QString(), refusal);
                return true;
            }
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

OrderGrid::OrderGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setHighlightSections(false);
}

void OrderGrid::keyPressEvent(QKeyEvent* event)
{
    const bool editing = state() == QAbstractItemView::EditingState;
    if (!editing) {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            emit deleteRequested();
            return;
        }
        if (event->key() == Qt::Key_F && event->modifiers() == Qt::ControlModifier) {
            emit findRequested();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            emit cancelRequested();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
            // Enter starts editing here, and must never reach the dialog.
            edit(currentIndex());
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

namespace {

// One footer row for assistive technology: a static text, caption and total.
class FooterRowAccessible : public QAccessibleInterface {
public:
    FooterRowAccessible(OrderFooter* footer, int row) : footer_(footer), row_(row) {}

    bool isValid() const override { return !footer_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return footer_ ? footer_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(footer_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!footer_)
            return {};
        if (t == QAccessible::Name)
            return footer_->accessibleRow(row_);
        if (t == QAccessible::Value)
            return footer_->rowTotal(row_);
        return {};
    }
    QRect rect() const override
    {
        if (!footer_)
            return {};
        const QRect r = footer_->rowRect(row_);
        return QRect(footer_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !footer_ || !footer_->isVisible();
        return s;
    }

private:
    QPointer<OrderFooter> footer_;
    int row_;
};

class FooterAccessible : public QAccessibleWidget {
public:
    explicit FooterAccessible(OrderFooter* footer) : QAccessibleWidget(footer, QAccessible::Grouping)
    {
        for (int row = 0; row < 2; ++row)
            rows_[row] = QAccessible::registerAccessibleInterface(new FooterRowAccessible(footer, row));
    }
    ~FooterAccessible() override
    {
        for (QAccessible::Id id : rows_)
            QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return 2; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 || index == 1 ? QAccessible::accessibleInterface(rows_[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int row = 0; row < 2; ++row)
            if (QAccessible::accessibleInterface(rows_[row]) == child)
                return row;
        return -1;
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QStringLiteral("Итоги заказа") : QAccessibleWidget::text(t);
    }

private:
    QAccessible::Id rows_[2]{};
};

QAccessibleInterface* footerFactory(const QString&, QObject* object)
{
    auto* footer = qobject_cast<OrderFooter*>(object);
    return footer ? new FooterAccessible(footer) : nullptr;
}

} // namespace

OrderFooter::OrderFooter(QTableView* view, QWidget* parent) : QWidget(parent), view_(view)
{
    static const bool accessible = [] {
        QAccessible::installFactory(footerFactory);
        return true;
    }();
    (void)accessible;
    for (QStringList& row : texts_)
        row = QStringList(orderFieldCount, QString());
    setAutoFillBackground(false);
    auto refresh = [this] { update(); };
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, refresh);
    connect(view_->horizontalHeader(), &QHeaderView::geometriesChanged, this, refresh);
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, refresh);
}

void OrderFooter::setText(int row, int column, const QString& text)
{
    if (texts_[row][column] == text)
        return;
    texts_[row][column] = text;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        changed.setChild(row);
        QAccessible::updateAccessibility(&changed);
    }
}

QString OrderFooter::text(int row, int column) const
{
    return texts_[row][column];
}

QString OrderFooter::rowTotal(int row) const
{
    return texts_[row][int(OrderField::SumCost)];
}

QString OrderFooter::accessibleRow(int row) const
{
    return texts_[row][int(OrderField::NAME)] + QStringLiteral(": ") + rowTotal(row);
}

QRect OrderFooter::rowRect(int row) const
{
    const int rowHeight = (height() - 2) / 2;
    return QRect(0, 1 + row * rowHeight, width(), rowHeight);
}

QSize OrderFooter::sizeHint() const
{
    return {100, 2 * 18 + 2};
}

void OrderFooter::paintEvent(QPaintEvent*)
{
    static const QColor yellow(255, 255, 0);
    static const QColor lightGreen(204, 255, 204);
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect area = view_->viewport()->geometry();
    p.fillRect(QRect(area.left(), 0, area.width(), height()), yellow);
    const QHeaderView* header = view_->horizontalHeader();
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < orderFieldCount; ++col) {
            const int x = area.left() + header->sectionViewportPosition(col);
            const QRect line = rowRect(row);
            const QRect cell(x, line.top(), header->sectionSize(col), line.height());
            if (cell.right() < area.left() || cell.left() > area.right())
                continue;
            p.save();
            p.setClipRect(cell.intersected(QRect(area.left(), 0, area.width(), height())));
            if (row == 1 && col == int(OrderField::SumCost))
                p.fillRect(cell, lightGreen);
            p.setPen(palette().color(QPalette::Mid));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            QFont f = font();
            f.setBold(row == 1);
            p.setFont(f);
            p.setPen(Qt::black);
            const bool number = col != int(OrderField::NAME);
            p.drawText(cell.adjusted(3, 0, -3, 0), Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft),
                       texts_[row][col]);
            p.restore();
        }
    }
}

} // namespace order
