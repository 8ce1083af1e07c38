#include "platform/Dialogs.h"

#include "platform/InputHold.h"
#include "platform/QuitOnSignal.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace platform {

// Once the session has ended (a signal), nobody is there to answer: no box
// is shown, and a question is answered as its cancel.
namespace {
DialogRecorder* g_recorder = nullptr;

void record(BoxKind kind, const QString& text, const QString& title = appTitle())
{
    g_recorder->boxes.append({kind, text, title});
}
} // namespace

QString appTitle()
{
    return QStringLiteral("Tovrin Zevaveraz");
}

namespace {
// Every box: the input held for after a command dropped (the salesperson
// reads the box first), the recorder's answer in tests; true when `yes` was
// pressed.
bool ask(BoxKind kind, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton yes, QWidget* parent)
{
    dropHeldInput();
    if (quitAsked())
        return false;
    if (g_recorder) {
        record(kind, text);
        return g_recorder->confirmAnswer;
    }
    QMessageBox box(icon, appTitle(), text, buttons, parent);
    box.setDefaultButton(yes);
    return box.exec() == yes;
}
} // namespace

void showMessage(const QString& text, QWidget* parent)
{
    ask(BoxKind::Plain, QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok, parent);
}

void showError(const QString& text, QWidget* parent)
{
    ask(BoxKind::Error, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok, parent);
}

bool confirm(const QString& text, QWidget* parent)
{
    return ask(BoxKind::Confirm, QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
               parent);
}

bool askYesNo(const QString& text, QWidget* parent)
{
    return ask(BoxKind::Confirm, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
               parent);
}

void showAbout(const QString& title, const QString& text, QWidget* parent)
{
    dropHeldInput();
    if (quitAsked())
        return;
    if (g_recorder)
        return record(BoxKind::About, text, title);
    QMessageBox::about(parent, title, text);
}

QString qtNameFilter(const QString& filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    const QString description = bar < 0 ? filter : filter.left(bar);
    const QString pattern = bar < 0 ? filter : filter.mid(bar + 1);
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

namespace {
std::optional<QString> answer(const FileDialogSpec& spec)
{
    g_recorder->fileRequests.append(spec);
    if (g_recorder->fileAnswers.empty())
        return std::nullopt;
    const std::optional<QString> a = g_recorder->fileAnswers.front();
    g_recorder->fileAnswers.pop_front();
    if (!a)
        return std::nullopt;
    return *a;
}

QString plainSuffix(const QString& s)
{
    QString out = s;
    if (out.startsWith(QLatin1String("*.")))
        out = out.mid(2);
    return out;
}

// Qt's own dialog rather than the desktop's, so it speaks the toolkit's
// Russian. The filter matches names in any letter case, since the files come
// from a system whose names ignore case, and shows its pattern as given.
void prepare(QFileDialog& dlg, const FileDialogSpec& spec)
{
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);
    if (!spec.filter.isEmpty())
        dlg.setNameFilter(qtNameFilter(spec.filter));
    if (!spec.defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(plainSuffix(spec.defaultSuffix));
}
} // namespace

std::optional<QString> openFileName(const FileDialogSpec& spec, QWidget* parent)
{
    if (quitAsked())
        return std::nullopt;
    if (g_recorder)
        return answer(spec);
    QFileDialog dlg(parent, spec.title, spec.directory);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name of a file that is not there is accepted as it is.
    dlg.setFileMode(QFileDialog::AnyFile);
    prepare(dlg, spec);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first();
}

std::optional<QString> saveFileName(const FileDialogSpec& spec, QWidget* parent)
{
    if (quitAsked())
        return std::nullopt;
    if (g_recorder)
        return answer(spec);
    QFileDialog dlg(parent, spec.title, spec.directory);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // The old file is replaced without asking, as the order files always were.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    prepare(dlg, spec);
    if (!spec.proposedName.isEmpty())
        dlg.selectFile(spec.proposedName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first();
}

Prompts& desktopPrompts()
{
    class Desktop : public Prompts {
    public:
        void message(const QString& text) override { showMessage(text); }
        void error(const QString& text) override { showError(text); }
        std::optional<QString> openFileName(const FileDialogSpec& spec) override
        {
            return platform::openFileName(spec);
        }
    };
    static Desktop prompts;
    return prompts;
}

DialogRecorder::DialogRecorder()
{
    g_recorder = this;
}

DialogRecorder::~DialogRecorder()
{
    if (g_recorder == this)
        g_recorder = nullptr;
}

QStringList DialogRecorder::texts() const
{
    QStringList out;
    for (const auto& b : boxes)
        out << b.text;
    return out;
}

QStringList DialogRecorder::texts(BoxKind kind) const
{
    QStringList out;
    for (const auto& b : boxes)
        if (b.kind == kind)
            out << b.text;
    return out;
}

void DialogRecorder::clear()
{
    boxes.clear();
    fileRequests.clear();
    fileAnswers.clear();
}

DialogRecorder* DialogRecorder::active()
{
    return g_recorder;
}

} // namespace platform
