#include "windows/TfmOptions.h"

#include "platform/ErrorHandler.h"
#include "data/Settings.h"
#include "data/ShopSettings.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/FileWrite.h"
#include "platform/FormFont.h"
#include "platform/IniFile.h"
#include "platform/NumberText.h"
#include "platform/Regional.h"
#include "platform/WindowPlace.h"

#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace windows {

const QString kBadMarkup = QStringLiteral("Данные, введенные в поля наценки некорректны!!!\rИсправьте наценки");

namespace {

const QString kOther = QStringLiteral("OtherRate");
const QString kOpt = QStringLiteral("OptRate");
const QString kRozn = QStringLiteral("RoznRate");

// The write itself says only that it failed; ask the file system why.
QString writeFailureReason(const QString& path)
{
    QFile existing(path);
    if (existing.exists() && !existing.open(QIODevice::ReadOnly))
        return existing.errorString();
    existing.close();
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return probe.errorString();
    // As much as the file holds: a full disk refuses it and says so.
    if (!platform::writeFully(probe, QByteArray(std::max<qint64>(existing.size(), 1), ' '))) {
        const QString reason = probe.errorString();
        probe.cancelWriting();
        return reason;
    }
    probe.cancelWriting();
    return QStringLiteral("файл недоступен для записи");
}

} // namespace

TfmOptions::TfmOptions(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(322, 168);
    platform::useFormFont(this);

    pcOptions = new QTabWidget(this);
    pcOptions->setAccessibleName(QStringLiteral("Страницы настроек"));
    tsCharges = new QWidget;
    pcOptions->addTab(tsCharges, QStringLiteral("Наценки"));

    auto row = [this](const QString& caption, int top, QLabel*& label, QLineEdit*& edit) {
        label = new QLabel(caption, tsCharges);
        label->setGeometry(16, top + 3, 110, 17);
        edit = new QLineEdit(tsCharges);
        edit->setGeometry(130, top, 50, 21);
        label->setBuddy(edit);
    };
    row(QStringLiteral("Наценка другая"), 12, lbOtherRate, edOtherRate);
    row(QStringLiteral("Наценка Опт"), 40, lbOptRate, edOptRate);
    row(QStringLiteral("Наценка розница"), 68, lbRoznRate, edRoznRate);

    paBottom = new QFrame(this);
    paBottom->setFrameShape(QFrame::Panel);
    paBottom->setFrameShadow(QFrame::Sunken);
    paBottom->setFixedHeight(33);
    bbClose = new QPushButton(QStringLiteral("Закрыть"), paBottom);
    bbClose->setAutoDefault(false);
    auto* bottom = new QHBoxLayout(paBottom);
    bottom->setContentsMargins(4, 4, 6, 4);
    bottom->addStretch();
    bottom->addWidget(bbClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pcOptions);
    layout->addWidget(paBottom);

    connect(bbClose, &QPushButton::clicked, this, platform::guard(this, [this]() { close(); }));

    platform::placeWindow(this);
    platform::guarded([this]() { FormCreate(); });
}

void TfmOptions::FormCreate()
{
    const data::SettingsFiles ini;
    const QChar sep = platform::Regional::current().decimalSeparator;
    edOtherRate->setText(platform::formatGeneral(ini.readFloat(data::kSectionCharges, kOther, 1, sep), sep));
    edOptRate->setText(platform::formatGeneral(ini.readFloat(data::kSectionCharges, kOpt, 1, sep), sep));
    edRoznRate->setText(platform::formatGeneral(ini.readFloat(data::kSectionCharges, kRozn, 1, sep), sep));
}

bool TfmOptions::FormClose()
{
    // Through the gate like every command; it owns what it sets.
    auto result = std::make_shared<bool>(false);
    platform::guardedFor(this, [this, result]() {
        bool& mayClose = *result;
        platform::IniFile ini(data::settingsPath());
        const QChar sep = platform::Regional::current().decimalSeparator;
        const std::pair<QLineEdit*, QString> fields[] = {{edOtherRate, kOther}, {edOptRate, kOpt}, {edRoznRate, kRozn}};

        // Key by key: a bad text stops here with the keys before it written.
        for (const auto& [edit, key] : fields) {
            double v = 0;
            if (!platform::parseDecimal(edit->text(), sep, &v)) {
                platform::showMessage(kBadMarkup, this);
                return;
            }
            try {
                ini.writeFloat(data::kSectionCharges, key, v, sep);
            } catch (const platform::Failure&) {
                // An unwritable file would otherwise hold the window open for good.
                mayClose = platform::confirm(QStringLiteral("Не удалось записать файл настроек\r%1\r%2\r\r"
                                                            "Закрыть окно без сохранения наценок?")
                                                 .arg(ini.path(), writeFailureReason(ini.path())),
                                             this);
                return;
            }
        }

        // All three factors change together, only after every key is written.
        double v[3] = {1, 1, 1};
        for (int i = 0; i < 3; ++i) {
            if (!platform::parseDecimal(fields[i].first->text(), sep, &v[i])) {
                platform::showMessage(kBadMarkup, this);
                return;
            }
        }
        data::MarkupFactors& m = data::markup();
        m.other = platform::toSingle(v[0]);
        m.opt = platform::toSingle(v[1]);
        m.rozn = platform::toSingle(v[2]);
        mayClose = true;
    });
    return *result;
}

void TfmOptions::done(int r)
{
    if (isVisible() && !FormClose())
        return;
    QDialog::done(r);
}

} // namespace windows
