#include "db/DemoData.h"

#include "data/firebird/Database.h"
#include "data/firebird/Transaction.h"
#include "db/Random.h"
#include "db/Rows.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace db {

namespace {

enum Kind { Filter, Brake, Ignition, Suspension, Engine, Electric, Fluid };

using NumberFn = QString (*)(Random&);

struct Maker {
    const char* name;
    Kind kind;
    NumberFn number;
};

QString n(int lo, int hi, Random& r)
{
    return QString::number(r.between(lo, hi));
}

const Maker kMakers[] = {
    {"MANN-FILTER", Filter, [](Random& r) { return "W " + n(610, 940, r) + "/" + n(1, 90, r); }},
    {"MAHLE", Filter, [](Random& r) { return "OC " + n(20, 990, r); }},
    {"FILTRON", Filter, [](Random& r) { return "OP " + n(500, 700, r) + "/" + n(1, 9, r); }},
    {"BOSCH", Filter, [](Random& r) { return "0 986 4" + n(10, 99, r) + " " + n(100, 999, r); }},
    {"БИГ ФИЛЬТР", Filter, [](Random& r) { return "GB-" + n(100, 990, r); }},
    {"TRW", Brake, [](Random& r) { return "GDB" + n(1100, 2200, r); }},
    {"ATE", Brake, [](Random& r) { return "13.0460-" + n(2000, 7999, r) + ".2"; }},
    {"BREMBO", Brake, [](Random& r) { return "P " + n(10, 99, r) + " 0" + n(10, 99, r); }},
    {"FERODO", Brake, [](Random& r) { return "FDB" + n(1000, 4999, r); }},
    {"BOSCH", Brake, [](Random& r) { return "0 986 494 " + n(100, 999, r); }},
    {"NGK", Ignition, [](Random& r) { return "BKR" + n(5, 7, r) + "E-11"; }},
    {"DENSO", Ignition, [](Random& r) { return "K" + n(16, 20, r) + "TT"; }},
    {"BOSCH", Ignition, [](Random& r) { return "0 242 2" + n(10, 99, r) + " " + n(500, 599, r); }},
    {"BRISK", Ignition, [](Random& r) { return "LR" + n(14, 17, r) + "TC"; }},
    {"LEMFOERDER", Suspension, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"TRW", Suspension, [](Random& r) { return "JTS" + n(100, 999, r); }},
    {"FEBI BILSTEIN", Suspension, [](Random& r) { return n(10000, 49999, r); }},
    {"SACHS", Suspension, [](Random& r) { return "3000 " + n(900, 999, r) + " " + n(100, 999, r); }},
    {"KYB", Suspension, [](Random& r) { return n(330000, 349999, r); }},
    {"GATES", Engine, [](Random& r) { return "K0" + n(15000, 15999, r) + "XS"; }},
    {"CONTITECH", Engine, [](Random& r) { return "CT" + n(900, 1199, r); }},
    {"INA", Engine, [](Random& r) { return "531 0" + n(100, 999, r) + " 10"; }},
    {"SKF", Engine, [](Random& r) { return "VKMA " + n(1000, 6999, r); }},
    {"ЛУЗАР", Engine, [](Random& r) { return "LWP " + n(100, 999, r) + n(1, 9, r); }},
    {"VALEO", Electric, [](Random& r) { return n(430000, 439999, r); }},
    {"HELLA", Electric, [](Random& r) { return "8GH 002 " + n(100, 999, r) + "-" + n(100, 199, r); }},
    {"BOSCH", Electric, [](Random& r) { return "0 986 " + n(200, 299, r) + " " + n(100, 999, r); }},
    {"АВТОПРИБОР", Electric, [](Random& r) { return "АП-" + n(1000, 9999, r); }},
    {"CASTROL", Fluid, [](Random& r) { return n(15000, 15999, r); }},
    {"MOBIL", Fluid, [](Random& r) { return n(150000, 159999, r); }},
    {"ЛУКОЙЛ", Fluid, [](Random& r) { return n(190000, 199999, r); }},
};

struct Product {
    const char* name;
    const char* oe; // empty: the part has no OE number
    Kind kind;
    int cost;       // purchase price in roubles, roughly
};

const Product kProducts[] = {
    {"Фильтр масляный Toyota Camry", "90915-YZZE1", Filter, 320},
    {"Фильтр масляный ВАЗ 2108-2115", "2105-1012005", Filter, 140},
    {"Фильтр масляный Hyundai Solaris", "26300-35503", Filter, 290},
    {"Фильтр воздушный VW Polo седан", "6R0129620A", Filter, 410},
    {"Фильтр воздушный Renault Logan", "8200431051", Filter, 350},
    {"Фильтр салона Kia Rio", "97133-4L000", Filter, 380},
    {"Фильтр топливный Ford Focus II", "1708999", Filter, 690},
    {"Колодки тормозные передние Kia Rio", "58101-4XA00", Brake, 1450},
    {"Колодки тормозные задние VW Golf", "1K0698451G", Brake, 1250},
    {"Колодки тормозные передние Лада Веста", "8450006993", Brake, 980},
    {"Диск тормозной передний Renault Logan", "402060010R", Brake, 1900},
    {"Диск тормозной передний Toyota Corolla", "43512-02190", Brake, 2600},
    {"Свеча зажигания Nissan Almera", "22401-ED815", Ignition, 240},
    {"Свеча зажигания ВАЗ 16 кл.", "2112-3707010", Ignition, 120},
    {"Катушка зажигания Hyundai Solaris", "27301-2B010", Ignition, 2300},
    {"Амортизатор передний Nissan Qashqai", "54302-JD02A", Suspension, 3400},
    {"Амортизатор задний Skoda Octavia", "1K0513029", Suspension, 2700},
    {"Стойка стабилизатора передняя Toyota RAV4", "48820-42030", Suspension, 690},
    {"Шаровая опора Honda Civic", "51220-S5A-003", Suspension, 980},
    {"Наконечник рулевой тяги Ford Focus II", "1488290", Suspension, 760},
    {"Тяга рулевая Renault Duster", "485214718R", Suspension, 1100},
    {"Сайлентблок переднего рычага Chevrolet Lacetti", "96391850", Suspension, 420},
    {"Подшипник ступицы передний VW Passat B5", "1J0498625", Suspension, 1700},
    {"Ремень ГРМ Renault Logan 1.6", "8200542739", Engine, 1300},
    {"Ролик натяжной ремня ГРМ ВАЗ 2112", "2112-1006120", Engine, 650},
    {"Помпа водяная ВАЗ 2108", "21080-1307010-82", Engine, 890},
    {"Ремень поликлиновой 6PK1070", "11720-1HC0A", Engine, 540},
    {"Термостат Opel Astra H", "1338168", Engine, 1200},
    {"Генератор Лада Гранта 90А", "21900-3701010", Electric, 6900},
    {"Стартер Renault Logan", "8200584675", Electric, 5400},
    {"Датчик кислородный Toyota", "89465-33200", Electric, 2900},
    {"Щётка стеклоочистителя 600 мм", "", Electric, 390},
    {"Масло моторное 5W-30 синтетика 4 л", "", Fluid, 2400},
    {"Жидкость тормозная DOT-4 0,5 л", "", Fluid, 260},
};

const char* const kSuppliers[] = {"ООО «Автодеталь-Опт»", "ЗАО «Форвард Трейд»", "ООО «Шате-М Плюс»",
                                  "ИП Кузнецов А. В."};
const char* const kForeignSuppliers[] = {"Autoteile Schmidt GmbH", "Inter Cars S.A."};
const char* const kCustomers[] = {"Иванов Иван Петрович", "ООО «Транс-Логистик»", "Сидоров С. Н.",
                                  "АО «Городское такси»", "Петрова Анна Сергеевна", "Частное лицо"};
const char* const kOurFirm = "ООО «Товрин Запчасть»";

struct DemoPart {
    qint32 id;
    QString code, number, name, remark, firm;
    double cost;
    double stock = 0;
    std::optional<double> minStock;
};

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

std::vector<DemoPart> makeParts(Random& r)
{
    std::vector<DemoPart> parts;
    QSet<QString> used;
    for (const Product& p : kProducts) {
        std::vector<const Maker*> pool;
        for (const Maker& m : kMakers)
            if (m.kind == p.kind)
                pool.push_back(&m);
        // Two to four makers of the kind, each once.
        const int count = std::min<int>(r.between(2, 4), static_cast<int>(pool.size()));
        std::vector<size_t> group;
        for (int i = 0; i < count; ++i) {
            const Maker* m = pool[static_cast<size_t>(r.below(static_cast<int>(pool.size())))];
            pool.erase(std::find(pool.begin(), pool.end(), m));
            DemoPart d;
            d.id = static_cast<qint32>(parts.size()) + 1;
            // One number per part, as a price lookup by number expects.
            d.code = m->number(r);
            for (int k = 2; used.contains(d.code); ++k)
                d.code = k < 20 ? m->number(r) : m->number(r) + "-" + QString::number(k);
            used.insert(d.code);
            d.number = *p.oe ? s(p.oe) : QString();
            d.name = s(p.name);
            d.firm = s(m->name);
            d.cost = std::round(p.cost * (0.75 + 0.55 * r.unit()) / 10.0) * 10.0;
            group.push_back(parts.size());
            parts.push_back(d);
        }
        // Each part's remark lists the other makers' numbers of its group,
        // one per line; now and then a line names the maker too, or the
        // lines end in a bare LF, or there is no remark at all.
        for (size_t i : group) {
            if (r.chance(0.15))
                continue;
            QStringList lines;
            for (size_t j : group)
                if (j != i)
                    lines << (r.chance(0.25) ? parts[j].code + " (" + parts[j].firm + ")" : parts[j].code);
            if (p.oe[0] && r.chance(0.3))
                lines << s(p.oe);
            parts[i].remark = lines.join(r.chance(0.2) ? "\n" : "\r\n");
        }
    }
    return parts;
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
    std::vector<DemoPart> parts = makeParts(r);

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
        const QDate start(2024, 1, 9);

        for (int day = 0; day < 350; day += r.between(1, 3)) {
            const QDateTime when(start.addDays(day), QTime(r.between(9, 17), r.between(0, 59)));
            const int roll = r.below(10);
            const int direction = day < 20 || roll < 3 ? 1 : roll < 9 ? -1 : 0;
            const bool foreign = direction == 1 && r.chance(0.25);
            const QString warehouse = r.chance(0.7) ? "E" : "M";

            std::vector<DemoLine> lines;
            std::vector<bool> used(parts.size(), false);
            const int wanted = direction == 1 ? r.between(3, 8) : direction == -1 ? r.between(1, 5) : r.between(1, 2);
            for (int tries = 0; static_cast<int>(lines.size()) < wanted && tries < 200; ++tries) {
                const size_t i = static_cast<size_t>(r.below(static_cast<int>(parts.size())));
                DemoPart& p = parts[i];
                if (used[i] || (direction != 1 && p.stock < 1))
                    continue;
                used[i] = true;
                double counts;
                double price;
                if (direction == 1) {
                    counts = r.between(2, 10);
                    price = round2(p.cost * (0.95 + 0.1 * r.unit()));
                    p.stock += counts;
                } else {
                    counts = r.between(1, std::min(6, static_cast<int>(p.stock)));
                    price = std::round(p.cost * 1.6);
                    p.stock -= counts;
                }
                lines.push_back({p.id, counts, price});
            }
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
