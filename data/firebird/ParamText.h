#pragma once

#include <QString>
#include <QStringList>

namespace fb {

// A statement's text as the server takes it: every ":Name" outside quoted
// text and comments becomes "?", and the names are kept in the order they
// stood, one entry per occurrence.
struct PositionalText {
    QString text;
    QStringList names;
};

PositionalText positionalParams(const QString& text);

} // namespace fb
