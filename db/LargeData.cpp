#include "db/LargeData.h"

#include "data/firebird/Database.h"
#include "data/firebird/Error.h"
#include "data/firebird/Transaction.h"
#include "db/Random.h"
#include "db/Rows.h"

#include <QDateTime>
#include <QSet>

#include <cmath>
#include <functional>
#include <limits>

namespace db {

namespace {

const char* const kNames[] = {"Фильтр масляный", "Фильтр воздушный", "Фильтр салона", "Фильтр топливный",
                              "Колодки тормозные передние", "Колодки тормозные задние", "Диск тормозной",
                              "Свеча зажигания", "Катушка зажигания", "Амортизатор передний",
                              "Амортизатор задний", "Стойка стабилизатора", "Шаровая опора",
                              "Наконечник рулевой тяги", "Сайлентблок рычага", "Подшипник ступицы",
                              "Ремень ГРМ", "Ролик натяжной", "Помпа водяная", "Термостат", "Датчик кислородный",
                              "Прокладка ГБЦ", "Опора двигателя", "Пыльник ШРУСа", "Генератор", "Стартер"};
const char* const kCars[] = {"Toyota Camry", "Kia Rio", "Hyundai Solaris", "VW Polo", "Renault Logan",
                             "Лада Веста", "Лада Гранта", "Ford Focus", "Skoda Octavia", "Nissan Qashqai",
                             "Chevrolet Lacetti", "Opel Astra", "Mazda 6", "Mitsubishi Lancer", "ГАЗель Next"};
// Makers' numbers in the forms the makers print them: '#' stands for a digit,
// '@' for a capital Latin letter, anything else for itself.
struct Maker {
    const char* firm;
    const char* pattern;
};
const Maker kMakers[] = {{"MANN", "W ###/##"},      {"MANN", "HU ###/# X"},     {"MANN", "C ## ###/#"},
                         {"Bosch", "0 986 ### ###"}, {"Bosch", "F 026 ### ###"}, {"Bosch", "0 242 ### ###"},
                         {"TRW", "GDB####"},         {"TRW", "DF####S"},         {"TRW", "JTE####"},
                         {"SKF", "VKMA #####"},      {"SKF", "VKBA ####"},       {"Gates", "K0#####XS"},
                         {"Gates", "#####XS"},       {"NGK", "BKR#E@-##"},       {"Contitech", "CT####K#"},
                         {"Filtron", "OP ###/#"},    {"Filtron", "AP ###/#"},    {"Febi", "#####"},
                         {"Sachs", "313 ### #"},     {"Denso", "DOX-####"},      {"Lemforder", "##### ##"},
                         {"Knecht", "LX ####/#D"},   {"Valeo", "8### ##"},       {"Hella", "8GH ### ###-###"}};
// OE numbers in the forms of the vehicle makers.
const char* const kOePatterns[] = {"##@ ### ### @", "#@# ### ### @@", "#####-#####", "#####-@@@##", "#####-#@###",
                                   "7701 ### ###",  "8200 ### ###",   "21##-#######", "# ### ###",   "11 42 7 ### ###",
                                   "A ### ### ## ##"};
const char* const kWarehouses[] = {"E", "M", "S"};
const char* const kWarehouseNames[] = {"Основной склад", "Магазин на Ленина", "Склад Северный"};
const char* const kContractors[] = {"ООО «Автодеталь-Опт»", "ЗАО «Форвард Трейд»", "Иванов Иван Петрович",
                                    "АО «Городское такси»", "Частное лицо", "ООО «Товрин Запчасть»"};

constexpr int kBatch = 20000;

// Secondary indexes are rebuilt once at the end: far quicker than keeping
// them up to date row by row.
const char* const kIndexes[] = {"PART_IDX_MINSTOCK", "PART_IDX_MANUFACTURECODE", "DOCPARTS_IDX_IDPART",
                                "DOCPARTS_IDX_IDDOCHEAD"};

void setIndexes(fb::Database& db, bool active)
{
    for (const char* ix : kIndexes) {
        db.executeImmediate(QStringLiteral("ALTER INDEX %1 %2").arg(QLatin1String(ix),
                                                                   active ? QStringLiteral("ACTIVE")
                                                                          : QStringLiteral("INACTIVE")));
        db.transaction().commit();
    }
}

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString fromPattern(Random& r, const char* pattern)
{
    QString out;
    for (const char* p = pattern; *p; ++p) {
        if (*p == '#')
            out += QLatin1Char(char('0' + r.below(10)));
        else if (*p == '@')
            out += QLatin1Char(char('A' + r.below(26)));
        else
            out += QLatin1Char(*p);
    }
    return out;
}

// A number no other part has: a few forms have few numbers, so after some
// misses another form is tried.
QString uniqueNumber(Random& r, QSet<QString>& used, const std::function<const char*()>& pattern)
{
    for (;;) {
        const char* form = pattern();
        for (int attempt = 0; attempt < 8; ++attempt) {
            QString n = fromPattern(r, form);
            if (!used.contains(n)) {
                used.insert(n);
                return n;
            }
        }
    }
}

} // namespace

void fillLarge(const QString& enterprisePath, int parts, qint64 lines, quint64 seed)
{
    if (parts < 1 || lines < 0 || lines > std::numeric_limits<qint32>::max())
        throw fb::Error(QStringLiteral("Число деталей должно быть больше 0, число строк — не меньше 0"));
    Random r(seed);
    // The disk is not waited for while loading; forced writes come back on
    // at the end.
    auto db = openForLoading(enterprisePath, 0);
    setIndexes(*db, false);
    qint64 pending = 0;
    auto counted = [&]() {
        if (++pending >= kBatch) {
            db->transaction().commit();
            pending = 0;
        }
    };

    {
        RowInserter sklad(*db, "STRUCTURESKLAD", {"GROUPNAME", "ID", "NAME"});
        for (int i = 0; i < 3; ++i) {
            sklad.set(0, u(kWarehouses[i]));
            sklad.set(1, i + 1);
            sklad.set(2, u(kWarehouseNames[i]));
            sklad.insert();
        }

        RowInserter part(*db, "PART",
                         {"ID", "MANUFACTURECODE", "NUMBER", "NAME", "REMARK", "PRICER", "PRICEMO", "PRICEO",
                          "PRICES", "MINSTOCK", "FIRM"});
        QSet<QString> codes, oes;
        codes.reserve(parts);
        QString oe;
        int groupLeft = 0;
        QStringList recent; // makers' numbers of the current cross group
        // One part in every twenty has a minimum stock: exactly 5 %, spread
        // over the whole table.
        int minStockId = 0;
        for (int id = 1; id <= parts; ++id) {
            if ((id - 1) % 20 == 0)
                minStockId = id + r.below(20);
            if (groupLeft == 0) {
                groupLeft = r.between(1, 4);
                oe = uniqueNumber(r, oes, [&] { return r.pick(kOePatterns); });
                recent.clear();
            }
            --groupLeft;
            const Maker* maker = nullptr;
            const QString code = uniqueNumber(r, codes, [&] {
                maker = &r.pick(kMakers);
                return maker->pattern;
            });
            const double cost = std::round(50 + 8950 * r.unit() * r.unit());
            part.set(0, id);
            part.set(1, code);
            part.set(2, oe);
            part.set(3, u(r.pick(kNames)) + QLatin1Char(' ') + u(r.pick(kCars)));
            // Replacement numbers: the other makers' numbers of the group.
            if (!recent.isEmpty() && r.chance(0.5))
                part.set(4, recent.join(QStringLiteral("\r\n")));
            part.set(5, std::round(cost * 1.6));
            part.set(6, std::round(cost * 1.3));
            part.set(7, std::round(cost * 1.4));
            part.set(8, std::round(cost * 1.45));
            if (id == minStockId)
                part.set(9, static_cast<double>(r.between(1, 20)));
            part.set(10, u(maker->firm));
            part.insert();
            recent << code;
            counted();
        }

        RowInserter head(*db, "DOCHEADER",
                         {"ID", "NUMBER", "DIRECTION", "DATEIN", "NAMECONTRAGENTIN", "NAMECONTRAGENTOUT"});
        RowInserter line(*db, "DOCPARTS",
                         {"ID", "IDDOCHEAD", "IDPART", "SKLAD", "DATEIN", "COUNTS", "DIRECTION", "RESERVE",
                          "CURRENCYSHORT", "SUMMCURRENCY", "PRICE", "SUMM"});
        const QDateTime start(QDate(2019, 1, 1), QTime(9, 0));
        qint32 doc = 0;
        int docLeft = 0;
        QDateTime when;
        QString warehouse;
        int direction = 1;
        for (qint64 id = 1; id <= lines; ++id) {
            if (docLeft == 0) {
                docLeft = r.between(1, 15);
                const int roll = r.below(20);
                direction = roll < 11 ? 1 : roll < 18 ? -1 : 0;
                when = start.addSecs(static_cast<qint64>(r.below(5 * 365)) * 86400 + r.below(9 * 3600));
                warehouse = u(r.pick(kWarehouses));
                head.set(0, ++doc);
                head.set(1, doc);
                head.set(2, direction);
                head.set(3, when);
                head.set(4, u(r.pick(kContractors)));
                head.set(5, u(r.pick(kContractors)));
                head.insert();
                counted();
            }
            --docLeft;
            // Lower IDs are the busy parts: a few have thousands of lines.
            const double x = r.unit();
            const qint32 partId = 1 + static_cast<qint32>(x * x * x * parts);
            const double counts = r.between(1, 20);
            const double price = std::round((50 + 9000 * r.unit()) * 100) / 100;
            line.set(0, static_cast<qint32>(id));
            line.set(1, doc);
            line.set(2, std::min(partId, static_cast<qint32>(parts)));
            line.set(3, warehouse);
            line.set(4, when);
            line.set(5, counts);
            line.set(6, direction);
            line.set(7, direction == 0 ? 1 : 0);
            line.set(8, QStringLiteral("RUB"));
            line.set(9, price);
            line.set(10, price);
            line.set(11, price * counts);
            line.insert();
            counted();
        }
    }
    db->transaction().commit();
    setIndexes(*db, true);
    db->disconnect();
    openForLoading(enterprisePath, 1)->disconnect();
}

} // namespace db
