// The main window's number search and its display: each handler hands the
// step to the lookup and shows what the lookup then holds.

#include "lookup/TfmMain.h"

#include "data/Settings.h"
#include "data/TdmMain.h"

#include "lookup/PartListModel.h"
#include "platform/Desktop.h"
#include "platform/Regional.h"
#include "windows/GridView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedLayout>
#include <QTabWidget>
#include <QTableView>

namespace lookup {

void TfmMain::lookupStep(const std::function<void(PartLookup&)>& step)
{
    // The step works on a copy, its reads in one go, while the window keeps
    // answering; the copy is then taken and shown, also when the step failed
    // part way: whatever it did before the failure stays done and in sight.
    PartLookup next = lookup_;
    next.setMarkup(data::markup());
    struct Take {
        TfmMain* w;
        PartLookup& next;
        ~Take()
        {
            w->lookup_ = std::move(next);
            w->render();
        }
    } take{this, next};
    dm_.enterpriseBatch([&] { step(next); });
}

void TfmMain::syncLookup()
{
    lookup_.setNumber(edNumber->text());
    lookup_.setPage(pcTabs->currentWidget() == tsPrices ? Page::Prices : Page::Search);
}

QLineEdit* TfmMain::countField(PriceGroup group) const
{
    return group == Rozn ? edRoznCount : group == Opt ? edMOptCount : edSpecialCount;
}

QLineEdit* TfmMain::priceField(PriceGroup group) const
{
    return group == Rozn ? edRozn : group == Opt ? edMOpt : edSpecial;
}

void TfmMain::render()
{
    const LookupView& v = lookup_.view();
    if (edNumber->text() != v.number)
        edNumber->setText(v.number);
    stOst->setText(v.stock);
    for (int g = 0; g < 3; ++g) {
        QLineEdit* count = countField(PriceGroup(g));
        if (count->text() != v.counts[size_t(g)]) {
            // The lookup has priced this quantity already.
            const QSignalBlocker quiet(count);
            count->setText(v.counts[size_t(g)]);
        }
        priceField(PriceGroup(g))->setText(v.prices[size_t(g)]);
    }
    for (size_t i = 0; i < v.panels.size(); ++i)
        setPanel(int(i) + 1, v.panels[i]);
    dsParts->show(v.parts);
    dsCross->show(v.cross);
    windows::putViewOn(dgSearchParts, v.parts.cursor);
    windows::putViewOn(dgCross, v.cross.cursor);
    static_cast<QStackedLayout*>(tsFindNum->layout())
        ->setCurrentWidget(v.grid == Grid::Parts ? dgSearchParts : dgCross);
    pcTabs->setCurrentWidget(v.page == Page::Prices ? tsPrices : tsFindNum);
}

// ---- Number search ---------------------------------------------------------

bool TfmMain::searchNumber(const QString& number)
{
    edNumber->setText(number);
    lastSearchOk_ = false;
    bbSearch->click();
    return lastSearchOk_;
}

void TfmMain::sbSearchClick()
{
    // While the search waits for the server no refresh and no other command
    // runs (platform/Commands.h); the refresh's ticks come again after it,
    // also when a step fails.
    syncLookup();
    const QString text = edNumber->text();
    const bool found = lookup_.beginSearch(text);
    render();
    if (!found)
        return;
    const bool substring = cbWildSearch->isChecked();
    lookupStep([&](PartLookup& l) { l.finishSearch(text, substring); });
    recordSearch();
}

void TfmMain::recordSearch()
{
    history_.append(historyLine(platform::now(), edNumber->text(), platform::Regional::current()));
}

void TfmMain::FindParts(const QString& text)
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.FindParts(text); });
}

void TfmMain::LoadCrossNumbers()
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.LoadCrossNumbers(); });
}

void TfmMain::TakeCurrentRow()
{
    syncLookup();
    lookup_.TakeCurrentRow();
    render();
}

void TfmMain::ShowPartList()
{
    syncLookup();
    lookup_.ShowPartList();
    render();
}

void TfmMain::ShowCrossList()
{
    syncLookup();
    lookup_.ShowCrossList();
    render();
}

void TfmMain::dgSearchPartsDblClick()
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.partsDoubleClicked(); });
}

void TfmMain::dgCrossDblClick()
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.crossDoubleClicked(); });
}

void TfmMain::cbWildSearchClick()
{
    if (cbWildSearch->isChecked())
        ShowPartList();
    else
        ShowCrossList();
    edNumber->setFocus();
}

bool TfmMain::edNumberKeyPress(QChar key)
{
    if (key.unicode() == 8 && edNumber->text().isEmpty()) {
        pcTabs->setCurrentWidget(tsFindNum);
        return true;
    }
    return false;
}

// ---- Prices and stock ------------------------------------------------------

void TfmMain::ClearDisplay()
{
    syncLookup();
    lookup_.ClearDisplay();
    render();
}

void TfmMain::ShowStockAndPrices()
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.ShowStockAndPrices(); });
}

void TfmMain::ShowPrices(const QString& number)
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.ShowPrices(number); });
}

void TfmMain::ShowDescription(qint32 id)
{
    syncLookup();
    lookupStep([&](PartLookup& l) { l.ShowDescription(id); });
}

void TfmMain::quantityChange(PriceGroup group)
{
    syncLookup();
    struct RenderAfter {
        TfmMain* w;
        ~RenderAfter() { w->render(); }
    } shown{this};
    lookup_.quantityChanged(group, countField(group)->text());
}

void TfmMain::edRoznCountChange()
{
    quantityChange(Rozn);
}

void TfmMain::edMOptCountChange()
{
    quantityChange(Opt);
}

void TfmMain::edSpecialCountChange()
{
    quantityChange(Special);
}

} // namespace lookup
