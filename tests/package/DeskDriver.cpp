// Drives the installed program as a person at the desk would, from inside its
// own process: a Qt generic plugin that the program's toolkit loads when
// QT_PLUGIN_PATH names this plugin's folder and QT_QPA_GENERIC_PLUGINS=deskdriver
// asks for it. The binary under test is the package's, unchanged; the plugin
// only finds its windows by their names, answers its dialogs, types a number,
// presses the search button, asks for the guide and closes the main window,
// writing what it saw into the report file line by line:
//
//   ORVADO_DRIVE_REPORT  the report file (required)
//   ORVADO_DRIVE_NUMBER  the number to look up (none: no lookup)
//   ORVADO_DRIVE_PICK    the file to pick when the program asks for one (none: cancel)
//   ORVADO_DRIVE_HOLD    seconds to keep the main window open before closing it
//
// Report lines: "dialog: <title>", "box: <text>" (line breaks as " | "),
// "window: <title>", "icon: yes|no", "stock: <text>", "status: <panels>",
// "open: <path the desktop was asked to open>", "done", or "timeout".

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

class Driver : public QObject {
    Q_OBJECT
public:
    Driver()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        connect(&poll_, &QTimer::timeout, this, &Driver::step);
        poll_.start(100);
        QTimer::singleShot(90000, this, [this] {
            say(QStringLiteral("timeout"));
            std::_Exit(3);
        });
    }

    ~Driver() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

public slots:
    void openUrl(const QUrl& url) { say(QStringLiteral("open: ") + url.toLocalFile()); }

private:
    void say(const QString& line)
    {
        QFile f(QString::fromLocal8Bit(qgetenv("ORVADO_DRIVE_REPORT")));
        if (f.open(QIODevice::Append))
            f.write(line.toUtf8() + '\n');
    }

    static QString flat(QString text)
    {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral(" | "))
            .replace(QLatin1Char('\r'), QStringLiteral(" | "))
            .replace(QLatin1Char('\n'), QStringLiteral(" | "));
    }

    QWidget* mainWindow() const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("lookup::TfmMain") && w->isVisible())
                return w;
        return nullptr;
    }

    // The program shows the desk is busy while it waits for a database.
    static bool busy() { return QGuiApplication::overrideCursor() != nullptr; }

    void step()
    {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                say(QStringLiteral("dialog: ") + dialog->windowTitle());
                const QString pick = QString::fromLocal8Bit(qgetenv("ORVADO_DRIVE_PICK"));
                if (pick.isEmpty() || picked_) {
                    dialog->reject();
                } else {
                    picked_ = true;
                    // The name field takes a whole path, as a typed one.
                    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                        name->setText(pick);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                say(QStringLiteral("box: ") + flat(box->text()));
                box->accept();
            }
            return;
        }
        QWidget* main = mainWindow();
        if (!main || busy())
            return;
        switch (stage_++) {
        case 0:
            say(QStringLiteral("window: ") + main->windowTitle());
            say(QStringLiteral("icon: ") +
                (main->windowIcon().availableSizes().isEmpty() ? QStringLiteral("no") : QStringLiteral("yes")));
            break;
        case 1: {
            const QString number = QString::fromLocal8Bit(qgetenv("ORVADO_DRIVE_NUMBER"));
            auto* edit = main->findChild<QLineEdit*>(QStringLiteral("edNumber"));
            auto* search = main->findChild<QAbstractButton*>(QStringLiteral("bbSearch"));
            if (!number.isEmpty() && edit && search) {
                edit->setText(number);
                search->click();
            }
            break;
        }
        case 2:
            for (QLabel* label : main->findChildren<QLabel*>())
                if (label->property("orvadoAccessibleCaption").toString() == QStringLiteral("Остаток на складе"))
                    say(QStringLiteral("stock: ") + label->text());
            if (auto* bar = main->findChild<QStatusBar*>()) {
                QStringList panels;
                for (QLabel* panel : bar->findChildren<QLabel*>())
                    panels << panel->text();
                say(QStringLiteral("status: ") + panels.join(QStringLiteral(" | ")));
            }
            break;
        case 3:
            for (QAction* action : main->findChildren<QAction*>())
                if (action->text() == QStringLiteral("Помощь..."))
                    action->trigger();
            break;
        case 4:
            held_.start();
            break;
        default:
            if (held_.elapsed() < qgetenv("ORVADO_DRIVE_HOLD").toInt() * 1000)
                break;
            poll_.stop();
            say(QStringLiteral("done"));
            main->close();
        }
    }

    QTimer poll_;
    QElapsedTimer held_;
    int stage_ = 0;
    bool picked_ = false;
};

class DeskDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "deskdriver.json")
public:
    QObject* create(const QString& name, const QString&) override
    {
        return name.compare(QLatin1String("deskdriver"), Qt::CaseInsensitive) == 0 ? new Driver : nullptr;
    }
};

} // namespace

#include "DeskDriver.moc"
