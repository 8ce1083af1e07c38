// Every window as assistive technology (a screen reader) sees it through
// Qt's accessibility interface: each control a user can reach has a name,
// and the figures the windows show can be read, not only seen.

#include "app/TfmOptions.h"
#include "data/TdmMain.h"
#include "data/TfmCurrency.h"
#include "lookup/TfmMain.h"
#include "lookup/TfmSearchLog.h"
#include "lookup/UpDown.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmCrossList.h"
#include "windows/TfmMoves.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Rows, cells and entries of grids and lists are their data, not controls:
// an empty cell is an empty value.
bool holdsItems(QAccessible::Role r)
{
    return r == QAccessible::Table || r == QAccessible::List || r == QAccessible::Tree || r == QAccessible::ComboBox;
}

bool isControl(QAccessible::Role r)
{
    switch (r) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonMenu:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::MenuItem:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface* i)
{
    QStringList path;
    for (QAccessibleInterface* p = i; p; p = p->parent()) {
        QObject* o = p->object();
        QString step = o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("(item)");
        if (o && !o->objectName().isEmpty())
            step += QLatin1Char('#') + o->objectName();
        if (!p->text(QAccessible::Name).isEmpty())
            step += QStringLiteral(" \"%1\"").arg(p->text(QAccessible::Name));
        path.prepend(step);
        if (o && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            break;
    }
    return path.join(QStringLiteral(" > ")) + QStringLiteral(" (role %1)").arg(int(i->role()));
}

void collectNameless(QAccessibleInterface* i, QStringList& out)
{
    if (!i)
        return;
    const bool reachable = isControl(i->role()) || i->state().focusable;
    if (reachable && i->text(QAccessible::Name).trimmed().isEmpty())
        out << describe(i);
    if (holdsItems(i->role()))
        return;
    for (int c = 0; c < i->childCount(); ++c)
        collectNameless(i->child(c), out);
}

// The controls of a window (hidden ones too: a hidden grid is shown later)
// that a screen reader could only call by their kind.
QStringList namelessControls(QWidget* window)
{
    QStringList out;
    collectNameless(QAccessible::queryAccessibleInterface(window), out);
    return out;
}

QAccessibleInterface* accessible(QObject* o)
{
    return QAccessible::queryAccessibleInterface(o);
}

QString nameOf(QObject* o)
{
    return accessible(o)->text(QAccessible::Name);
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT

    std::unique_ptr<testdb::TestDatabases> t;
    std::unique_ptr<lookup::TfmMain> w;
    qint32 filter = 0;

    void checkWindow(QWidget& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList nameless = namelessControls(&window);
        QVERIFY2(nameless.isEmpty(), qPrintable(QLatin1Char('\n') + nameless.join(QLatin1Char('\n'))));
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void init()
    {
        t = std::make_unique<testdb::TestDatabases>();
        const QDateTime d1(QDate(2026, 3, 1), QTime(10, 0));
        const QDateTime d2(QDate(2026, 6, 1), QTime(10, 0));
        filter = t->addPart({0, "0986452044", "OE-77", "Фильтр масляный", "W712\r\nHU 716 x", 19.99, 17.5, 16.0, 15.0,
                             8.0, {}});
        t->addPart({0, "W712", "OE-77", "Фильтр масляный Mann", "", 21.0, 19.0, 18.0, 17.0, {}, {}});
        t->addLine(testdb::income(filter, 6, 80, d1));
        t->addLine(testdb::output(filter, 1, 150, d2));
        t->addCurrency({"EUR", 40});
        w = std::make_unique<lookup::TfmMain>(t->dm());
        for (QTimer* timer : {&w->Timer1, &w->Timer2, &w->Timer3, &w->UpdateTimer})
            timer->stop();
    }

    void cleanup()
    {
        w.reset();
        t.reset();
    }

    // The walk itself: an icon button with only a hint is reported, and a
    // name mends it.
    void aButtonWithOnlyAHintIsNameless()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* icon = new QToolButton;
        icon->setIcon(window.style()->standardIcon(QStyle::SP_TrashIcon));
        icon->setToolTip(QStringLiteral("Оставить нули.."));
        layout->addWidget(icon);
        layout->addWidget(new QLineEdit);
        window.show();
        QCOMPARE(namelessControls(&window).size(), 2);
        QVERIFY(namelessControls(&window).first().contains(QStringLiteral("QToolButton")));
        icon->setAccessibleName(icon->toolTip());
        QCOMPARE(namelessControls(&window).size(), 1);
    }

    // After a lookup: every control named, the icon buttons by their hints,
    // and the stock field and status panels read with what they show.
    void mainWindowAfterALookup()
    {
        platform::DialogRecorder rec;
        w->searchNumber(QStringLiteral("0986"));
        QVERIFY2(rec.boxes.isEmpty(), qPrintable(rec.texts().join('|')));
        checkWindow(*w);

        QCOMPARE(nameOf(w->bbSearch), QStringLiteral("Поиск"));
        QCOMPARE(nameOf(w->sbCrossList), QStringLiteral("Замены..."));
        QCOMPARE(nameOf(w->sbClient), QStringLiteral("Показать/Скрыть панель статуса"));
        QCOMPARE(nameOf(w->sbMoves), QStringLiteral("Движения товара..."));
        QCOMPARE(nameOf(w->sbOrder), QStringLiteral("Формирование заказа..."));

        QCOMPARE(nameOf(w->stOst), QStringLiteral("Остаток на складе: 5,00"));
        QCOMPARE(accessible(w->stOst)->text(QAccessible::Value), QStringLiteral("5,00"));
        QCOMPARE(nameOf(w->sbPanels[4]), QStringLiteral("Наименование детали: Фильтр масляный Mann"));
        QVERIFY(nameOf(w->sbPanels[0]).startsWith(QStringLiteral("РЦ")));
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(nameOf(w->sbPanels[size_t(i)]).startsWith(QStringLiteral("Цена с наценкой")));
            QCOMPARE(accessible(w->sbPanels[size_t(i)])->text(QAccessible::Value), w->panelText(i));
            QVERIFY(!w->panelText(i).isEmpty());
        }
        QCOMPARE(nameOf(w->edRoznCount), QStringLiteral("Количество, Розница"));
        QCOMPARE(nameOf(w->edSpecial), QStringLiteral("Цена, Другая"));
        QCOMPARE(nameOf(w->udMOpt->upButton()), QStringLiteral("Больше, Опт"));

        // A search that leaves no figure: the field is named all the same.
        w->searchNumber(QStringLiteral("NOSUCH"));
        QCOMPARE(nameOf(w->stOst), QStringLiteral("Остаток на складе"));
        QCOMPARE(accessible(w->stOst)->text(QAccessible::Value), QString());
    }

    void historyMovesAndReplacementsWindows()
    {
        w->searchNumber(QStringLiteral("0986"));
        lookup::TfmSearchLog log(w->history().path(), [](const QString&) { return true; });
        checkWindow(log);
        QCOMPARE(nameOf(log.bbSearch), QStringLiteral("Найти"));

        windows::TfmMoves moves(t->dm(), filter);
        checkWindow(moves);
        QCOMPARE(nameOf(moves.edDocNum), QStringLiteral("Поиск по номеру:"));

        windows::TfmCrossList cross(t->dm(), [](const QString&) { return true; });
        checkWindow(cross);
    }

    void optionsAndCurrencyWindows()
    {
        platform::DialogRecorder rec; // closing the options window writes the settings
        app::TfmOptions options;
        checkWindow(options);
        QCOMPARE(nameOf(options.edOptRate), QStringLiteral("Наценка Опт"));
        options.hide();

        data::TfmCurrency currency(t->dm());
        checkWindow(currency);
        QCOMPARE(nameOf(currency.button(data::TfmCurrency::nbPost)), QStringLiteral("Сохранить изменения"));
    }

    // The order with its rows: the two footer rows read as text, each with
    // its caption and its total.
    void orderWindowReadsBothTotals()
    {
        order::TfmOrder order(t->dm(), w.get());
        order.show();
        order.setSkladChoice(std::nullopt);
        order.cbSort->setCurrentIndex(0);
        order.cbSortChange();
        QCOMPARE(order.dsOrder->rowCount(), 1);
        t->dm().EuroRate = 40;
        order.dgOrderSumListRecalcAll();
        checkWindow(order);
        QCOMPARE(nameOf(order.sbLeaveNull), QStringLiteral("Оставить нули.."));
        QCOMPARE(nameOf(order.dlcSkald), QStringLiteral("Склад:"));

        QAccessibleInterface* footer = accessible(order.dgOrderFooter);
        QCOMPARE(footer->childCount(), 2);
        const int sum = int(order::OrderField::SumCost);
        const QString main = order.footerText(0, sum);
        const QString euro = order.footerText(1, sum);
        QCOMPARE(main, QStringLiteral("240,00")); // 3 × 80
        QCOMPARE(euro, QStringLiteral("6,00"));
        QCOMPARE(footer->child(0)->text(QAccessible::Name), QStringLiteral("Сумма в основной валюте: 240,00"));
        QCOMPARE(footer->child(0)->text(QAccessible::Value), main);
        QCOMPARE(footer->child(1)->text(QAccessible::Name), QStringLiteral("Сумма в EURO: 6,00"));
        QCOMPARE(footer->child(1)->parent()->object(), order.dgOrderFooter);
        QCOMPARE(footer->indexOfChild(footer->child(1)), 1);
        QVERIFY(footer->child(1)->rect().width() > 0);

        // The totals read follow the order.
        order.mtOrder.remove(0);
        QCOMPARE(footer->child(0)->text(QAccessible::Value), QStringLiteral("0,00"));
        order.hide();
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
