#pragma once

#include <QDateTime>
#include <QString>

#include <variant>

namespace fb {

enum class ColumnType { Integer, SmallInt, Double, Timestamp, Text, TextBlob };

// A result column the program declares for a statement.
struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Text;
    int size = 0;             // text: characters
    QString label;            // grid title / file header
    QString displayFormat;    // e.g. "0.00"; empty: the type's default form
    bool emptyAsNull = false; // an empty text written by the program is stored as NULL
    bool checkType = true;    // false: the column must exist, its type is not checked
};

using Value = std::variant<std::monostate, qint32, double, QDateTime, QString>;

inline bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Read access to one value of a result row, by the program's rules: NULL
// reads as empty text or as 0.
class Field {
public:
    Field() = default;
    Field(const Value* v, const ColumnDef* def, int scale) : v_(v), def_(def), scale_(scale) {}
    bool isNull() const { return !v_ || fb::isNull(*v_); }
    QString asString() const;
    qint32 asInteger() const;
    double asDouble() const;
    QDateTime asDateTime() const;
    const Value& value() const;
    const ColumnDef* def() const { return def_; }
    int scale() const { return scale_; }

private:
    const Value* v_ = nullptr;
    const ColumnDef* def_ = nullptr;
    int scale_ = 0;
};

} // namespace fb
