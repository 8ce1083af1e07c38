// Every window as assistive technology (a screen reader) sees it through
// Qt's accessibility interface: each control a user can reach has a name,
// and the figures the windows show can be read, not only seen.

#include "windows/TfmOptions.h"
#include "data/TdmMain.h"
#include "windows/TfmCurrency.h"
#include "lookup/TfmMain.h"
#include "lookup/TfmSearchLog.h"
#include "lookup/UpDown.h"
#include "order/OrderGrid.h"
#include "order/OrderModel.h"
#include "order/TfmOrder.h"
#include "platform/Dialogs.h"
#include "platform/Translations.h"
#include "tests/support/MainWindow.h"
#include "tests/support/TestDatabases.h"
#include "windows/TfmCrossList.h"
#include "windows/TfmMoves.h"

#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>

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


// The Latin words of a text a desk user reads, once the names it may carry
// are taken out: the files and folders a dialog lists, the filter the
// program gives, a shortcut after a tab. Acronyms (OK, CSV) and "Excel" are
// how Russian desks write them too.
QStringList englishWords(QString text, const QStringList& names)
{
    text = text.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    for (const QString& n : names)
        text.replace(n, QStringLiteral(" "));
    QStringList out;
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QRegularExpressionMatchIterator it = word.globalMatch(text);
    while (it.hasNext()) {
        const QString w = it.next().captured();
        if (w != w.toUpper() && w != QLatin1String("Excel"))
            out << w;
    }
    return out;
}

void collectReadable(QAccessibleInterface* i, QStringList& out, int depth = 0)
{
    if (!i || i->state().invisible || depth > 30)
        return;
    out << i->text(QAccessible::Name) << i->text(QAccessible::Description);
    for (int c = 0; c < i->childCount(); ++c)
        collectReadable(i->child(c), out, depth + 1);
}

// Everything a user can read in a window: the texts, hints and accessible
// names of its visible widgets and actions, and what its accessibility tree
// reads out (headers, rows, cells, menu items).
QStringList readableTexts(QWidget* window)
{
    QStringList out{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* c : widgets) {
        if (!c->isVisible())
            continue;
        out << c->toolTip() << c->accessibleName() << c->accessibleDescription() << c->whatsThis();
        if (auto* b = qobject_cast<QAbstractButton*>(c))
            out << b->text();
        if (auto* l = qobject_cast<QLabel*>(c))
            out << l->text();
        if (auto* e = qobject_cast<QLineEdit*>(c))
            out << e->placeholderText();
        if (auto* box = qobject_cast<QComboBox*>(c))
            for (int i = 0; i < box->count(); ++i)
                out << box->itemText(i);
        for (QAction* a : c->actions())
            out << a->text() << a->toolTip();
    }
    collectReadable(QAccessible::queryAccessibleInterface(window), out);
    out.removeAll(QString());
    return out;
}

// The English texts among them, each with its words.
QStringList englishTexts(QWidget* window, const QStringList& names)
{
    QStringList out;
    for (const QString& t : readableTexts(window))
        if (!englishWords(t, names).isEmpty())
            out << t;
    out.removeDuplicates();
    return out;
}

// The names a file dialog lists in its folder, as they stand now.
QStringList listedNames(QWidget* dialog)
{
    QStringList out;
    if (auto* view = dialog->findChild<QListView*>(QStringLiteral("listView")))
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            out << view->model()->index(r, 0, view->rootIndex()).data().toString();
    out.sort();
    return out;
}

// Runs inspect on the modal window or popup once it shows and ready() says
// so (or after five seconds, when the inspection fails on its own), and
// leaves closing it to inspect.
void whenShown(std::function<bool(QWidget*)> ready, std::function<void(QWidget*)> inspect)
{
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            w = QApplication::activePopupWidget();
        if (!w || (!ready(w) && ++*ticks < 250))
            return;
        timer->stop();
        timer->deleteLater();
        inspect(w);
    });
    timer->start(20);
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

public:
    // Before the application exists: the desk's system locale is Russian,
    // and the file dialogs' sizes and dates follow the system's, not the
    // default locale the tests pin.
    static void initMain() { qputenv("LC_ALL", "ru_RU.UTF-8"); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(platform::loadToolkitTranslations());
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
        testsupport::holdTimers(*w);
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

    // The toolkit's own texts on a Russian desk: the order's save and open
    // dialogs and the open dialog of a missing database as the program builds
    // them, a question box, an edit field's context menu and the tab bar's
    // scroll buttons. Nothing English is left but names of files, the
    // program's own filters and what Russian desks write in Latin letters;
    // the filters list names in any letter case and show their pattern as
    // given.
    void toolkitTextsAreRussian()
    {
        QTemporaryDir dir;
        for (const char* name : {"Полный заказ.csv", "order.xls", "ЗАКАЗ.XLS", "notes.txt", "AENTER.GDB"}) {
            QFile f(dir.filePath(QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Заказы")));
        QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names << dir.path() << QDir::homePath() << QDir::home().dirName() << platform::appTitle();
        for (const QString& path : {dir.path(), QDir::homePath()})
            names << path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        // Longest first, so a path goes before the names within it.
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });

        struct Seen {
            QStringList english, listed;
            QString filter, title;
        };
        auto look = [&](Seen& seen, int rows, std::function<void(QFileDialog*)> close) {
            whenShown([rows](QWidget* w) { return listedNames(w).size() >= rows; },
                      [&seen, names, close](QWidget* w) {
                          QTest::qWait(100); // the types and sizes of the rows
                          auto* dlg = qobject_cast<QFileDialog*>(w);
                          seen.english = englishTexts(w, names);
                          seen.listed = listedNames(w);
                          seen.title = w->windowTitle();
                          if (auto* types = w->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                              seen.filter = types->currentText();
                          if (dlg)
                              close(dlg);
                          else
                              w->close();
                      });
        };

        platform::FileDialogSpec save; // as the order window saves
        save.filter = QStringLiteral("Excel files (.xls)|*.xls");
        save.defaultSuffix = QStringLiteral("*.xls");
        save.proposedName = QStringLiteral("Основной склад.csv");
        save.directory = dir.path();
        names.prepend(platform::qtNameFilter(save.filter));
        Seen saving;
        look(saving, 3, [](QFileDialog* d) {
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("заказ"));
            QMetaObject::invokeMethod(d, "accept");
        });
        const std::optional<QString> saved = platform::saveFileName(save);
        QVERIFY(saved);
        QCOMPARE(*saved, dir.filePath(QStringLiteral("заказ.xls")));
        QVERIFY2(saving.english.isEmpty(), qPrintable(saving.english.join(QLatin1Char('\n'))));
        QCOMPARE(saving.title, QStringLiteral("Сохранить как"));
        QCOMPARE(saving.filter, QStringLiteral("Excel files (.xls) (*.xls)"));
        QCOMPARE(saving.listed, QStringList({"order.xls", "ЗАКАЗ.XLS", "Заказы"}));

        platform::FileDialogSpec open; // as the order window opens a file
        open.defaultSuffix = QStringLiteral("*.xls");
        open.directory = dir.path();
        Seen opening;
        look(opening, 6, [](QFileDialog* d) { d->reject(); });
        QVERIFY(!platform::openFileName(open));
        QVERIFY2(opening.english.isEmpty(), qPrintable(opening.english.join(QLatin1Char('\n'))));
        QCOMPARE(opening.title, QStringLiteral("Открыть"));
        QCOMPARE(opening.listed.size(), 6);

        platform::FileDialogSpec database; // as start-up asks for a missing database
        database.filter = QStringLiteral("AEnter.gdb (Автопредприятие)|AEnter.gdb");
        database.title = QStringLiteral("Укажите путь к файлу AEnter.gdb");
        database.directory = dir.path();
        names.prepend(platform::qtNameFilter(database.filter));
        names.prepend(database.title);
        Seen picking;
        look(picking, 2, [](QFileDialog* d) { d->reject(); });
        QVERIFY(!platform::openFileName(database));
        QVERIFY2(picking.english.isEmpty(), qPrintable(picking.english.join(QLatin1Char('\n'))));
        QCOMPARE(picking.filter, QStringLiteral("AEnter.gdb (Автопредприятие) (AEnter.gdb)"));
        QCOMPARE(picking.listed, QStringList({"AENTER.GDB", "Заказы"}));

        Seen asking;
        look(asking, 0, [](QFileDialog*) {});
        QVERIFY(!platform::confirm(QStringLiteral("Удалить запись?")));
        QVERIFY2(asking.english.isEmpty(), qPrintable(asking.english.join(QLatin1Char('\n'))));

        // The number field's context menu.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->edNumber->setText(QStringLiteral("OC 480"));
        QStringList menu, menuEnglish;
        whenShown([](QWidget* m) { return qobject_cast<QMenu*>(m) != nullptr; },
                  [&](QWidget* m) {
                      for (QAction* a : m->actions())
                          menu << a->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
                      menuEnglish = englishTexts(m, {});
                      m->close();
                  });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), w->edNumber->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w->edNumber, &click);
        QTRY_VERIFY(!menu.isEmpty());
        QVERIFY2(menuEnglish.isEmpty(), qPrintable(menuEnglish.join(QLatin1Char('\n'))));
        for (const char* item : {"Копировать", "Вставить", "Выделить всё"})
            QVERIFY2(menu.contains(QString::fromUtf8(item)), qPrintable(menu.join(QLatin1Char('|'))));

        // The tab bar's scroll buttons, which show when the tabs do not fit.
        auto* tabs = w->pcTabs->findChild<QTabBar*>();
        QVERIFY(tabs);
        const QList<QToolButton*> scrolls = tabs->findChildren<QToolButton*>();
        QCOMPARE(scrolls.size(), 2);
        for (QToolButton* b : scrolls) {
            QVERIFY(!nameOf(b).isEmpty());
            QVERIFY2(englishWords(nameOf(b), {}).isEmpty(), qPrintable(nameOf(b)));
        }
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

        windows::TfmCrossList cross(w->lookup().partsCursorRemark(), [](const QString&) { return true; });
        checkWindow(cross);
    }

    void optionsAndCurrencyWindows()
    {
        platform::DialogRecorder rec; // closing the options window writes the settings
        windows::TfmOptions options;
        checkWindow(options);
        QCOMPARE(nameOf(options.edOptRate), QStringLiteral("Наценка Опт"));
        options.hide();

        windows::TfmCurrency currency(t->dm());
        checkWindow(currency);
        QCOMPARE(nameOf(currency.button(windows::TfmCurrency::nbPost)), QStringLiteral("Сохранить изменения"));
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
        t->dm().inside().EuroRate = 40;
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
