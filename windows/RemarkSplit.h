#pragma once

#include <QString>
#include <QStringList>

namespace windows {

// The entries of a part's remark: one per line, CR LF, a lone CR and a lone LF
// each ending a line. A line end at the very end adds no empty entry; empty
// lines in between stay; nothing is trimmed.
QStringList splitRemark(const QString& remark);

} // namespace windows
