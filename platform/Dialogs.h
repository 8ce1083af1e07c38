#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>

#include <deque>
#include <optional>

class QWidget;

namespace platform {

// Caption of every message box and error box.
QString appTitle();

enum class BoxKind { Plain, Error, Confirm, About };

struct BoxEvent {
    BoxKind kind;
    QString text;
    QString title;
};

// The foreseen message boxes and the file dialogs go through here, so tests
// can record them instead of blocking on them.
void showMessage(const QString& text, QWidget* parent = nullptr);
void showError(const QString& text, QWidget* parent = nullptr);
bool confirm(const QString& text, QWidget* parent = nullptr);
// A question answered "Да" (true) or "Нет".
bool askYesNo(const QString& text, QWidget* parent = nullptr);
void showAbout(const QString& title, const QString& text, QWidget* parent = nullptr);
std::optional<QString> openFileName(const FileDialogSpec& spec, QWidget* parent = nullptr);
std::optional<QString> saveFileName(const FileDialogSpec& spec, QWidget* parent = nullptr);

// The prompts of the layers without windows, answered by the boxes and
// dialogs above.
Prompts& desktopPrompts();

// "Description|pattern" as a Qt name filter, "Description (pattern)"; the
// file dialogs match it in any letter case.
QString qtNameFilter(const QString& filter);

// While one exists, boxes are recorded and file dialogs answered from the
// queue (an empty optional is a cancel; an empty queue cancels too).
class DialogRecorder {
public:
    DialogRecorder();
    ~DialogRecorder();
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    QList<BoxEvent> boxes;
    QList<FileDialogSpec> fileRequests;
    std::deque<std::optional<QString>> fileAnswers;
    bool confirmAnswer = true;

    QStringList texts() const;
    QStringList texts(BoxKind kind) const;
    void clear();
    static DialogRecorder* active();
};

} // namespace platform
