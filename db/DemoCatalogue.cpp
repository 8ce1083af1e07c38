// The demo shop's catalogue: makers and their numbering, products, and the
// parts made of them.

#include "db/DemoCatalogue.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace db {

namespace {

// What a part is; each maker numbers each kind in its own way, so a number's
// prefix tells a counter clerk what the part is (OC is an oil filter, LX an
// air filter), and the names must agree.
enum Kind {
    OilFilter, AirFilter, CabinFilter, FuelFilter,
    BrakePads, BrakeDisc,
    SparkPlug, IgnitionCoil,
    ShockAbsorber, StabiliserLink, BallJoint, TieRodEnd, TieRod, ArmBush, WheelBearing,
    TimingBelt, Tensioner, WaterPump, RibbedBelt, Thermostat, Clutch,
    Alternator, Starter, OxygenSensor, TemperatureSensor, WiperBlade,
    MotorOil, BrakeFluid
};

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
    {"MANN-FILTER", OilFilter, [](Random& r) { return "W " + n(610, 940, r) + "/" + n(1, 90, r); }},
    {"MAHLE", OilFilter, [](Random& r) { return "OC " + n(20, 990, r); }},
    {"FILTRON", OilFilter, [](Random& r) { return "OP " + n(500, 700, r) + "/" + n(1, 9, r); }},
    {"BOSCH", OilFilter, [](Random& r) { return "0 986 452 0" + n(10, 99, r); }},
    {"БИГ ФИЛЬТР", OilFilter, [](Random& r) { return "GB-1" + n(10, 99, r); }},

    {"MANN-FILTER", AirFilter, [](Random& r) { return "C " + n(20, 39, r) + " " + n(100, 999, r); }},
    {"MAHLE", AirFilter, [](Random& r) { return "LX " + n(1000, 3999, r); }},
    {"FILTRON", AirFilter, [](Random& r) { return "AP " + n(100, 199, r) + "/" + n(1, 9, r); }},
    {"BOSCH", AirFilter, [](Random& r) { return "F 026 400 " + n(100, 499, r); }},
    {"БИГ ФИЛЬТР", AirFilter, [](Random& r) { return "GB-9" + n(10, 99, r); }},

    {"MANN-FILTER", CabinFilter, [](Random& r) { return "CU " + n(1800, 3599, r); }},
    {"MAHLE", CabinFilter, [](Random& r) { return "LA " + n(100, 999, r); }},
    {"FILTRON", CabinFilter, [](Random& r) { return "K " + n(1000, 1399, r); }},
    {"BOSCH", CabinFilter, [](Random& r) { return "1 987 432 " + n(100, 599, r); }},

    {"MANN-FILTER", FuelFilter, [](Random& r) { return "WK " + n(600, 999, r) + "/" + n(1, 9, r); }},
    {"MAHLE", FuelFilter, [](Random& r) { return "KL " + n(100, 999, r); }},
    {"FILTRON", FuelFilter, [](Random& r) { return "PP " + n(800, 999, r) + "/" + n(1, 9, r); }},
    {"BOSCH", FuelFilter, [](Random& r) { return "F 026 402 " + n(100, 299, r); }},

    {"TRW", BrakePads, [](Random& r) { return "GDB" + n(1100, 2200, r); }},
    {"ATE", BrakePads, [](Random& r) { return "13.0460-" + n(2000, 7999, r) + ".2"; }},
    {"BREMBO", BrakePads, [](Random& r) { return "P " + n(10, 99, r) + " 0" + n(10, 99, r); }},
    {"FERODO", BrakePads, [](Random& r) { return "FDB" + n(1000, 4999, r); }},
    {"BOSCH", BrakePads, [](Random& r) { return "0 986 494 " + n(100, 999, r); }},

    {"TRW", BrakeDisc, [](Random& r) { return "DF" + n(4000, 7999, r); }},
    {"ATE", BrakeDisc, [](Random& r) { return "24.01" + n(10, 28, r) + "-0" + n(100, 299, r) + ".1"; }},
    {"BREMBO", BrakeDisc, [](Random& r) { return "09." + n(4000, 9999, r) + "." + n(10, 99, r); }},
    {"FERODO", BrakeDisc, [](Random& r) { return "DDF" + n(1000, 2999, r); }},
    {"BOSCH", BrakeDisc, [](Random& r) { return "0 986 479 " + n(100, 999, r); }},

    {"NGK", SparkPlug, [](Random& r) { return "BKR" + n(5, 7, r) + "E-11"; }},
    {"DENSO", SparkPlug, [](Random& r) { return "K" + n(16, 20, r) + "TT"; }},
    {"BOSCH", SparkPlug, [](Random& r) { return "0 242 2" + n(10, 99, r) + " " + n(500, 599, r); }},
    {"BRISK", SparkPlug, [](Random& r) { return "LR" + n(14, 17, r) + "TC"; }},

    {"BOSCH", IgnitionCoil, [](Random& r) { return "0 221 504 " + n(400, 499, r); }},
    {"BERU", IgnitionCoil, [](Random& r) { return "ZSE" + n(100, 199, r); }},
    {"NGK", IgnitionCoil, [](Random& r) { return "U5" + n(100, 399, r); }},
    {"DENSO", IgnitionCoil, [](Random& r) { return "673-" + n(1000, 9999, r); }},

    {"KYB", ShockAbsorber, [](Random& r) { return n(333000, 349999, r); }},
    {"SACHS", ShockAbsorber, [](Random& r) { return "3" + n(10, 19, r) + " " + n(100, 999, r); }},
    {"MONROE", ShockAbsorber, [](Random& r) { return "G" + n(1000, 8999, r); }},
    {"BILSTEIN", ShockAbsorber, [](Random& r) { return "22-" + n(100000, 299999, r); }},

    {"TRW", StabiliserLink, [](Random& r) { return "JTS" + n(100, 999, r); }},
    {"LEMFOERDER", StabiliserLink, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"FEBI BILSTEIN", StabiliserLink, [](Random& r) { return n(10000, 49999, r); }},
    {"CTR", StabiliserLink, [](Random& r) { return "CLT-" + n(10, 99, r); }},

    {"TRW", BallJoint, [](Random& r) { return "JBJ" + n(100, 999, r); }},
    {"LEMFOERDER", BallJoint, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"FEBI BILSTEIN", BallJoint, [](Random& r) { return n(10000, 49999, r); }},
    {"CTR", BallJoint, [](Random& r) { return "CBHO-" + n(10, 99, r); }},

    {"TRW", TieRodEnd, [](Random& r) { return "JTE" + n(100, 999, r); }},
    {"LEMFOERDER", TieRodEnd, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"FEBI BILSTEIN", TieRodEnd, [](Random& r) { return n(10000, 49999, r); }},
    {"CTR", TieRodEnd, [](Random& r) { return "CEF-" + n(10, 99, r); }},

    {"TRW", TieRod, [](Random& r) { return "JAR" + n(100, 999, r); }},
    {"LEMFOERDER", TieRod, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"FEBI BILSTEIN", TieRod, [](Random& r) { return n(10000, 49999, r); }},
    {"CTR", TieRod, [](Random& r) { return "CRR-" + n(10, 99, r); }},

    {"LEMFOERDER", ArmBush, [](Random& r) { return n(10, 39, r) + " " + n(100, 999, r) + " 01"; }},
    {"FEBI BILSTEIN", ArmBush, [](Random& r) { return n(10000, 49999, r); }},
    {"CTR", ArmBush, [](Random& r) { return "CVKD-" + n(10, 99, r); }},

    {"SKF", WheelBearing, [](Random& r) { return "VKBA " + n(1000, 6999, r); }},
    {"FAG", WheelBearing, [](Random& r) { return "713 6" + n(10, 99, r) + " " + n(100, 999, r); }},
    {"SNR", WheelBearing, [](Random& r) { return "R1" + n(40, 99, r) + "." + n(10, 99, r); }},
    {"FEBI BILSTEIN", WheelBearing, [](Random& r) { return n(10000, 49999, r); }},

    {"GATES", TimingBelt, [](Random& r) { return n(5000, 5999, r) + "XS"; }},
    {"CONTITECH", TimingBelt, [](Random& r) { return "CT" + n(900, 1199, r); }},
    {"DAYCO", TimingBelt, [](Random& r) { return "94" + n(100, 999, r); }},
    {"BOSCH", TimingBelt, [](Random& r) { return "1 987 949 " + n(100, 699, r); }},

    {"INA", Tensioner, [](Random& r) { return "531 0" + n(100, 999, r) + " 10"; }},
    {"SKF", Tensioner, [](Random& r) { return "VKM " + n(11000, 16999, r); }},
    {"GATES", Tensioner, [](Random& r) { return "T4" + n(1000, 3999, r); }},
    {"DAYCO", Tensioner, [](Random& r) { return "ATB" + n(2000, 2999, r); }},

    {"ЛУЗАР", WaterPump, [](Random& r) { return "LWP " + n(100, 999, r) + n(1, 9, r); }},
    {"SKF", WaterPump, [](Random& r) { return "VKPC " + n(81000, 88999, r); }},
    {"INA", WaterPump, [](Random& r) { return "538 0" + n(100, 999, r) + " 10"; }},
    {"HEPU", WaterPump, [](Random& r) { return "P" + n(100, 999, r); }},

    {"GATES", RibbedBelt, [](Random&) { return QStringLiteral("6PK1070"); }},
    {"CONTITECH", RibbedBelt, [](Random&) { return QStringLiteral("6PK1070 ELAST"); }},
    {"DAYCO", RibbedBelt, [](Random&) { return QStringLiteral("6PK1070HD"); }},
    {"BOSCH", RibbedBelt, [](Random& r) { return "1 987 947 " + n(600, 999, r); }},

    {"MAHLE", Thermostat, [](Random& r) { return "TX " + n(10, 99, r) + " " + n(80, 92, r) + "D"; }},
    {"WAHLER", Thermostat, [](Random& r) { return n(4000, 4999, r) + "." + n(80, 92, r) + "D"; }},
    {"GATES", Thermostat, [](Random& r) { return "TH" + n(10000, 49999, r) + "G1"; }},
    {"ЛУЗАР", Thermostat, [](Random& r) { return "LT " + n(1000, 9999, r); }},

    {"SACHS", Clutch, [](Random& r) { return "3000 " + n(900, 999, r) + " " + n(100, 999, r); }},
    {"VALEO", Clutch, [](Random& r) { return "82" + n(6000, 6999, r); }},
    {"LUK", Clutch, [](Random& r) { return "6" + n(20, 24, r) + " " + n(1000, 3999, r) + " 00"; }},

    {"BOSCH", Alternator, [](Random& r) { return "0 986 04" + n(1, 9, r) + " " + n(100, 999, r); }},
    {"VALEO", Alternator, [](Random& r) { return "43" + n(7000, 9999, r); }},
    {"КЗАТЭ", Alternator, [](Random& r) { return "9402.3701-" + n(10, 99, r); }},

    {"BOSCH", Starter, [](Random& r) { return "0 986 02" + n(0, 9, r) + " " + n(100, 999, r); }},
    {"VALEO", Starter, [](Random& r) { return "438" + n(100, 999, r); }},
    {"КЗАТЭ", Starter, [](Random& r) { return "5712.3708-" + n(10, 99, r); }},

    {"BOSCH", OxygenSensor, [](Random& r) { return "0 258 00" + n(3, 9, r) + " " + n(100, 999, r); }},
    {"DENSO", OxygenSensor, [](Random& r) { return "DOX-0" + n(100, 599, r); }},
    {"NGK", OxygenSensor, [](Random& r) { return n(90000, 99999, r); }},

    {"АВТОПРИБОР", TemperatureSensor, [](Random& r) { return "АП-" + n(1000, 9999, r); }},
    {"BOSCH", TemperatureSensor, [](Random& r) { return "0 280 130 0" + n(10, 99, r); }},
    {"FEBI BILSTEIN", TemperatureSensor, [](Random& r) { return n(10000, 49999, r); }},

    {"BOSCH", WiperBlade, [](Random& r) { return "3 397 008 " + n(100, 999, r); }},
    {"VALEO", WiperBlade, [](Random& r) { return n(574000, 574999, r); }},
    {"DENSO", WiperBlade, [](Random& r) { return "DUR-0" + n(40, 70, r) + "L"; }},

    {"CASTROL", MotorOil, [](Random& r) { return n(15000, 15999, r); }},
    {"MOBIL", MotorOil, [](Random& r) { return n(150000, 159999, r); }},
    {"ЛУКОЙЛ", MotorOil, [](Random& r) { return n(190000, 199999, r); }},
    {"SHELL", MotorOil, [](Random& r) { return "550" + n(40000, 59999, r); }},

    {"ATE", BrakeFluid, [](Random& r) { return "03.9901-58" + n(1, 3, r) + "2.2"; }},
    {"BOSCH", BrakeFluid, [](Random& r) { return "1 987 479 1" + n(10, 99, r); }},
    {"РОСДОТ", BrakeFluid, [](Random& r) { return "430101H0" + n(1, 9, r); }},
};

struct Product {
    const char* name;
    const char* oe; // empty: the part has no OE number
    Kind kind;
    int cost;       // purchase price in roubles, roughly
    // A part the guide's pictures look up: this maker's part always carries
    // this number, and no other part names it, so a lookup finds it alone;
    // its group has three or four makers.
    const char* fixedMaker = nullptr;
    const char* fixedNumber = nullptr;
};

const Product kProducts[] = {
    {"Фильтр масляный Toyota Camry", "90915-YZZE1", OilFilter, 320},
    {"Фильтр масляный ВАЗ 2108-2115", "2105-1012005", OilFilter, 140, "FILTRON", "OP 602/7"},
    {"Фильтр масляный Hyundai Solaris", "26300-35503", OilFilter, 290, "MAHLE", "OC 480"},
    {"Фильтр масляный Renault Logan", "8200768913", OilFilter, 260},
    {"Фильтр воздушный VW Polo седан", "6R0129620A", AirFilter, 410},
    {"Фильтр воздушный Renault Logan", "8200431051", AirFilter, 350},
    {"Фильтр салона Kia Rio", "97133-4L000", CabinFilter, 380},
    {"Фильтр салона Лада Веста", "8450031230", CabinFilter, 330},
    {"Фильтр топливный Ford Focus II", "1708999", FuelFilter, 690},
    {"Колодки тормозные передние Kia Rio", "58101-4XA00", BrakePads, 1450, "TRW", "GDB1655"},
    {"Колодки тормозные задние VW Golf", "1K0698451G", BrakePads, 1250},
    {"Колодки тормозные передние Лада Веста", "8450006993", BrakePads, 980},
    {"Диск тормозной передний Renault Logan", "402060010R", BrakeDisc, 1900},
    {"Диск тормозной передний Toyota Corolla", "43512-02190", BrakeDisc, 2600},
    {"Свеча зажигания Nissan Almera", "22401-ED815", SparkPlug, 240, "DENSO", "K20TT"},
    {"Свеча зажигания ВАЗ 16 кл.", "2112-3707010", SparkPlug, 120},
    {"Катушка зажигания Hyundai Solaris", "27301-2B010", IgnitionCoil, 2300},
    {"Амортизатор передний Nissan Qashqai", "54302-JD02A", ShockAbsorber, 3400},
    {"Амортизатор задний Skoda Octavia", "1K0513029", ShockAbsorber, 2700},
    {"Стойка стабилизатора передняя Toyota RAV4", "48820-42030", StabiliserLink, 690},
    {"Шаровая опора Honda Civic", "51220-S5A-003", BallJoint, 980},
    {"Наконечник рулевой тяги Ford Focus II", "1488290", TieRodEnd, 760},
    {"Тяга рулевая Renault Duster", "485214718R", TieRod, 1100},
    {"Сайлентблок переднего рычага Chevrolet Lacetti", "96391850", ArmBush, 420},
    {"Подшипник ступицы передний VW Passat B5", "1J0498625", WheelBearing, 1700},
    {"Ремень ГРМ Renault Logan 1.6", "8200542739", TimingBelt, 1300, "GATES", "5587XS"},
    {"Ролик натяжной ремня ГРМ ВАЗ 2112", "2112-1006120", Tensioner, 650},
    {"Помпа водяная ВАЗ 2108", "21080-1307010-82", WaterPump, 890},
    {"Ремень поликлиновой 6PK1070", "11720-1HC0A", RibbedBelt, 540},
    {"Термостат Opel Astra H", "1338168", Thermostat, 1200},
    {"Комплект сцепления Renault Logan", "302050745R", Clutch, 5200, "SACHS", "3000 996 941"},
    {"Генератор Лада Гранта 90А", "21900-3701010", Alternator, 6900},
    {"Стартер Renault Logan", "8200584675", Starter, 5400},
    {"Датчик кислородный Toyota", "89465-33200", OxygenSensor, 2900},
    {"Датчик температуры охлаждающей жидкости ВАЗ 2110", "2112-3851010", TemperatureSensor, 310, "АВТОПРИБОР",
     "АП-1127"},
    {"Щётка стеклоочистителя 600 мм", "", WiperBlade, 390},
    {"Масло моторное 5W-30 синтетика 4 л", "", MotorOil, 2400},
    {"Жидкость тормозная DOT-4 0,5 л", "", BrakeFluid, 260},
};

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

std::vector<DemoPart> makeDemoParts(Random& r)
{
    std::vector<DemoPart> parts;
    QSet<QString> used;
    for (const Product& p : kProducts)
        if (p.fixedNumber)
            used.insert(s(p.fixedNumber));
    for (const Product& p : kProducts) {
        std::vector<const Maker*> pool;
        for (const Maker& m : kMakers)
            if (m.kind == p.kind)
                pool.push_back(&m);
        auto add = [&](const Maker* m, const QString& code) {
            pool.erase(std::find(pool.begin(), pool.end(), m));
            DemoPart d;
            d.id = static_cast<qint32>(parts.size()) + 1;
            d.code = code;
            d.number = *p.oe ? s(p.oe) : QString();
            d.name = s(p.name);
            d.firm = s(m->name);
            d.cost = std::round(p.cost * (0.75 + 0.55 * r.unit()) / 10.0) * 10.0;
            parts.push_back(d);
            return parts.size() - 1;
        };
        std::vector<size_t> group;
        if (p.fixedNumber) {
            const auto m = std::find_if(pool.begin(), pool.end(),
                                        [&](const Maker* x) { return std::strcmp(x->name, p.fixedMaker) == 0; });
            group.push_back(add(*m, s(p.fixedNumber)));
            parts.back().fixed = true;
        }
        // Two to four makers of the kind, each once; three or four where the
        // pictures show the cross numbers and replacements.
        const int count =
            std::min<int>(r.between(p.fixedNumber ? 3 : 2, 4), static_cast<int>(pool.size() + group.size()));
        while (static_cast<int>(group.size()) < count) {
            const Maker* m = pool[static_cast<size_t>(r.below(static_cast<int>(pool.size())))];
            // One number per part, as a price lookup by number expects.
            QString code = m->number(r);
            for (int k = 2; used.contains(code); ++k)
                code = k < 20 ? m->number(r) : m->number(r) + "-" + QString::number(k);
            used.insert(code);
            group.push_back(add(m, code));
        }
        // Each part's remark lists the other makers' numbers of its group,
        // one per line; now and then a line names the maker too, or the
        // lines end in a bare LF, or there is no remark at all. A fixed
        // number stays on its own part.
        for (size_t i : group) {
            if (!parts[i].fixed && r.chance(0.15))
                continue;
            QStringList lines;
            for (size_t j : group)
                if (j != i && !parts[j].fixed)
                    lines << (r.chance(0.25) ? parts[j].code + " (" + parts[j].firm + ")" : parts[j].code);
            if (p.oe[0] && r.chance(0.3))
                lines << s(p.oe);
            parts[i].remark = lines.join(r.chance(0.2) ? "\n" : "\r\n");
        }
    }
    return parts;
}

} // namespace db
