#pragma once

#include <QString>

#include <optional>

namespace platform {

struct FileDialogSpec {
    QString title;
    QString filter;         // "Description|pattern", one entry
    QString defaultSuffix;  // "*.xls" style or "xls"
    QString proposedName;
    QString directory;
};

// What a layer without windows may ask of the person at the desk or tell
// them; the windows' layer decides how (platform/Dialogs.h: boxes and file
// dialogs).
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void message(const QString& text) = 0; // a plain box
    virtual void error(const QString& text) = 0;   // an error box
    // The open-file dialog; nothing when the user cancels it.
    virtual std::optional<QString> openFileName(const FileDialogSpec& spec) = 0;
};

} // namespace platform
