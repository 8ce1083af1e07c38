#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>

namespace platform {

// The user's regional settings as the program uses them, taken from the
// default QLocale() (tests pin one with QLocale::setDefault).
struct Regional {
    QChar decimalSeparator;
    QChar thousandSeparator;
    QString shortDateFormat; // Qt date format, e.g. "dd.MM.yyyy"
    QString longTimeFormat;  // Qt time format without the time zone, e.g. "HH:mm:ss"
    QChar timeSeparator;
    QString amText; // both empty when the long time format shows no AM/PM marker
    QString pmText;

    static Regional current();
};

// The date in the short date format.
QString formatShortDate(const QDate& date, const Regional& regional);

// The time in the long time format, with the markers of regional for AP/ap.
QString formatLongTime(const QTime& time, const Regional& regional);

} // namespace platform
