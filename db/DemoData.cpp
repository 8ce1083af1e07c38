#include "db/DemoData.h"

#include "db/DemoCatalogue.h"
#include "data/firebird/Database.h"
#include "data/firebird/Transaction.h"
#include "db/Random.h"
#include "db/Rows.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace db {

namespace {

const char* const kSuppliers[] = {"ООО «Автодеталь-Опт»", "ЗАО «Форвард Трейд»", "ООО «Шате-М Плюс»",
                                  "ИП Кузнецов А. В."};
const char* const kForeignSuppliers[] = {"Autoteile Schmidt GmbH", "Inter Cars S.A."};
const char* const kCustomers[] = {"Иванов Иван Петрович", "ООО «Транс-Логистик»", "Сидоров С. Н.",
                                  "АО «Городское такси»", "Петрова Анна Сергеевна", "Частное лицо"};
const char* const kOurFirm = "ООО «Товрин Запчасть»";

struct DemoLine {
    qint32 part;
    double counts;
    double price;
};

double round2(double x)
{
    return std::round(x * 100.0) / 100.0;
}

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

void fillDemoPrice(const QString& pricePath)
{
    auto db = openForLoading(pricePath);
    {
        RowInserter cur(*db, "CURRENCY", {"CUNAME", "CURATE"});
        const std::pair<const char*, double> rows[] = {
            {"руб.", 1.0}, {"USD", 92.15}, {"EUR", kDemoEuroRate}, {"CNY", 12.68}, {"KZT", 0.19}};
        for (const auto& [name, rate] : rows) {
            cur.set(0, s(name));
            cur.set(1, rate);
            cur.insert();
        }
    }
    db->disconnect();
}

void fillDemo(const QString& enterprisePath, const QString& pricePath)
{
    Random r(2024);
    std::vector<DemoPart> parts = makeDemoParts(r);

    auto db = openForLoading(enterprisePath);
    {
        RowInserter sklad(*db, "STRUCTURESKLAD", {"GROUPNAME", "ID", "PARENT", "TREELEVEL", "NAME", "DEPARTMENT"});
        const std::pair<const char*, const char*> warehouses[] = {{"E", "Основной склад"},
                                                                  {"M", "Магазин на Ленина"}};
        qint32 id = 0;
        for (const auto& [code, name] : warehouses) {
            sklad.set(0, s(code));
            sklad.set(1, ++id);
            sklad.set(2, 0);
            sklad.set(3, 1);
            sklad.set(4, s(name));
            sklad.set(5, 1);
            sklad.insert();
        }

        RowInserter head(*db, "DOCHEADER",
                         {"ID", "NUMBER", "DIRECTION", "DATEIN", "SUMM", "NAMECONTRAGENTIN", "NAMECONTRAGENTOUT",
                          "COMMENT", "STATUSDOC"});
        RowInserter line(*db, "DOCPARTS",
                         {"ID", "IDDOCHEAD", "IDPART", "SKLAD", "DATEIN", "COUNTS", "DIRECTION", "RESERVE",
                          "CURRENCYSHORT", "PRICECURRENCY", "SUMMCURRENCY", "COURSE", "PRICE", "SUMM"});
        qint32 headId = 0, lineId = 0;
        int receiptNo = 100, issueNo = 2000, reserveNo = 7000;
        // The last eight months up to yesterday, so the movements read as
        // recent whenever the databases are made.
        const int days = 240;
        const QDate start = QDate::currentDate().addDays(-days);
        bool firstReceipt = true;

        for (int day = 0; day < days; day += r.between(1, 2)) {
            const QDateTime when(start.addDays(day), QTime(r.between(9, 17), r.between(0, 59)));
            const int roll = r.below(10);
            const int direction = day < 14 || roll < 3 ? 1 : roll < 9 ? -1 : 0;
            const bool foreign = direction == 1 && r.chance(0.25);
            const QString warehouse = r.chance(0.7) ? "E" : "M";

            std::vector<DemoLine> lines;
            std::vector<bool> used(parts.size(), false);
            auto take = [&](size_t i) {
                DemoPart& p = parts[i];
                // A part the pictures look up keeps some stock.
                const double keep = p.fixed ? 2 : 0;
                if (used[i] || (direction != 1 && p.stock < keep + 1))
                    return;
                used[i] = true;
                double counts;
                double price;
                if (direction == 1) {
                    counts = r.between(2, 10);
                    price = round2(p.cost * (0.95 + 0.1 * r.unit()));
                    p.stock += counts;
                } else {
                    counts = r.between(1, std::min(6, static_cast<int>(p.stock - keep)));
                    price = std::round(p.cost * 1.6);
                    p.stock -= counts;
                }
                lines.push_back({p.id, counts, price});
            };
            // The parts the pictures look up come in with the first receipt
            // and go out now and then, so each has receipts, issues and
            // reserves to show.
            for (size_t i = 0; i < parts.size(); ++i)
                if (parts[i].fixed && (direction == 1 ? firstReceipt : r.chance(direction == 0 ? 0.4 : 0.08)))
                    take(i);
            firstReceipt = firstReceipt && direction != 1;
            const int wanted = direction == 1 ? r.between(3, 8) : direction == -1 ? r.between(1, 5) : r.between(1, 2);
            for (int tries = 0; static_cast<int>(lines.size()) < wanted && tries < 200; ++tries)
                take(static_cast<size_t>(r.below(static_cast<int>(parts.size()))));
            if (lines.empty())
                continue;

            const qint32 doc = ++headId;
            double total = 0;
            for (const DemoLine& l : lines) {
                double price = l.price;
                double inCurrency = price;
                double course = 1;
                if (foreign) {
                    inCurrency = round2(price / kDemoEuroRate);
                    price = round2(inCurrency * kDemoEuroRate);
                    course = kDemoEuroRate;
                }
                line.set(0, ++lineId);
                line.set(1, doc);
                line.set(2, l.part);
                line.set(3, warehouse);
                line.set(4, when);
                line.set(5, l.counts);
                line.set(6, direction);
                line.set(7, direction == 0 ? 1 : 0);
                line.set(8, foreign ? QStringLiteral("EUR") : s("руб."));
                line.set(9, inCurrency);
                line.set(10, inCurrency);
                line.set(11, course);
                line.set(12, price);
                line.set(13, round2(price * l.counts));
                line.insert();
                total += round2(price * l.counts);
            }

            head.set(0, doc);
            head.set(2, direction);
            head.set(3, when);
            head.set(4, round2(total));
            head.set(8, 1);
            if (direction == 1) {
                head.set(1, ++receiptNo);
                head.set(5, s(kOurFirm));
                head.set(6, s(foreign ? r.pick(kForeignSuppliers) : r.pick(kSuppliers)));
                head.set(7, s("Приход товара"));
            } else if (direction == -1) {
                head.set(1, ++issueNo);
                head.set(5, s(r.pick(kCustomers)));
                head.set(6, s(kOurFirm));
                head.set(7, s("Расходная накладная"));
            } else {
                head.set(1, ++reserveNo);
                head.set(5, s(r.pick(kCustomers)));
                head.set(6, s(kOurFirm));
                head.set(7, s("Заказ-наряд, резерв"));
                head.set(8, 0);
            }
            head.insert();
        }

        // About half the parts are kept in stock with a minimum; some of
        // those have fallen below it.
        for (DemoPart& p : parts) {
            if (!r.chance(0.5))
                continue;
            if (r.chance(0.4))
                p.minStock = p.stock + r.between(1, 4);
            else if (p.stock >= 2)
                p.minStock = std::max(1.0, std::floor(p.stock * (0.3 + 0.6 * r.unit())));
        }

        RowInserter part(*db, "PART",
                         {"ID", "MANUFACTURECODE", "NUMBER", "NAME", "REMARK", "FIRM", "UNITDIMENSION", "PRICER",
                          "PRICEMO", "PRICEO", "PRICES", "MINSTOCK", "PRICEORDER"});
        for (const DemoPart& p : parts) {
            part.set(0, p.id);
            part.set(1, p.code);
            part.set(2, textOrNull(p.number));
            part.set(3, p.name);
            part.set(4, textOrNull(p.remark));
            part.set(5, p.firm);
            part.set(6, s(p.name.contains(s(" л")) ? "л" : "шт."));
            part.set(7, std::round(p.cost * 1.6));
            part.set(8, std::round(p.cost * 1.3));
            part.set(9, std::round(p.cost * 1.4));
            part.set(10, std::round(p.cost * 1.45));
            part.set(11, numberOrNull(p.minStock));
            part.set(12, p.cost);
            part.insert();
        }
    }
    db->disconnect();
    fillDemoPrice(pricePath);
}

} // namespace db
