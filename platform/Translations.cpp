#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace platform {

namespace {

// Texts the toolkit asks for under a context its Russian file does not have:
// Qt 6 moved the file dialog's type names ("Folder" in the detail view) from
// QFileDialog to QAbstractFileIconProvider, and the file still lists them
// under the old one only.
struct Gap {
    const char* context;
    const char* source;
    const char* russian;
};

constexpr Gap kGaps[] = {
    {"QAbstractFileIconProvider", "Folder", "Папка"},
    {"QAbstractFileIconProvider", "File Folder", "Папка"},
    {"QAbstractFileIconProvider", "Drive", "Диск"},
    {"QAbstractFileIconProvider", "File", "Файл"},
    {"QAbstractFileIconProvider", "Shortcut", "Ярлык"},
    {"QAbstractFileIconProvider", "Alias", "Псевдоним"},
    {"QAbstractFileIconProvider", "Unknown", "Неизвестный"},
};

class ToolkitGaps : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (!context || !sourceText)
            return {};
        for (const Gap& g : kGaps)
            if (std::strcmp(g.context, context) == 0 && std::strcmp(g.source, sourceText) == 0)
                return QString::fromUtf8(g.russian);
        return {};
    }

    bool isEmpty() const override { return false; }
};

} // namespace

bool loadToolkitTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    // Once per application object.
    const QString name = QStringLiteral("toolkitTranslation");
    if (app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
        return true;
    auto* file = new QTranslator(app);
    file->setObjectName(name);
    if (!file->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete file;
        return false;
    }
    // The gaps first: a translator installed later is asked first, so a
    // future toolkit file that has these texts wins.
    QCoreApplication::installTranslator(new ToolkitGaps(app));
    QCoreApplication::installTranslator(file);
    return true;
}

} // namespace platform
