#include "lookup/Help.h"

#include "platform/Desktop.h"
#include "platform/Places.h"

#include <QFileInfo>

namespace lookup {

QString helpDocument()
{
    const QString chm = platform::exeWithExtension(QStringLiteral(".chm"));
    if (QFileInfo(chm).isFile())
        return chm;
    const QString guide = platform::places().guideFolder + QStringLiteral("/index.html");
    return QFileInfo(guide).isFile() ? guide : chm;
}

} // namespace lookup
