#include "menus/SpectrumMeasureMenu.h"

#include "menus/MenuValues.h"
#include "model/ChannelPlans.h"
#include "model/DataModel.h"

namespace nolvo {


namespace {

SpectrumSettings& spectrum()
{
    return DataModel::getInstance()->spectrum;
}

} // namespace

void SpectrumMeasureMenu::buildRows()
{
    // Each slider edits the peak count its caption names: the count of the trace that trace
    // selection k shows, or in the waterfall view the horizontal and vertical cursor peaks.
    for (int k = 0; k < 3; ++k) {
        SliderRow* row = addSlider(
            menu_values::peakTarget(spectrum(), k).caption,
            [k] {
                const menu_values::PeakTarget target = menu_values::peakTarget(spectrum(), k);
                return target.field ? menu_values::percentOfPeakCount(*target.field) : 0;
            },
            [k] {
                const menu_values::PeakTarget target = menu_values::peakTarget(spectrum(), k);
                return target.field ? std::to_string(DataModel::peakCountOf(*target.field)) : std::string("-");
            },
            [k](int p) {
                const menu_values::PeakTarget target = menu_values::peakTarget(spectrum(), k);
                if (target.field) *target.field = static_cast<std::uint8_t>(menu_values::peakCountFromPercent(p));
            });
        if (!row) continue;
        row->setCaptionSource([k] { return menu_values::peakTarget(spectrum(), k).caption; });
        row->setEnabledSource([k] { return menu_values::peakTarget(spectrum(), k).field != nullptr; });
    }
    addPicker(
        "PEAKS \n(ON TOP):", [] { return menu_values::traceNames(); },
        [] { return menu_values::rowOf(spectrum().onTopPeakTrace, 6); },
        [] { return menu_values::traceName(spectrum().onTopPeakTrace); },
        // HEAT MAP has no peaks: choosing it turns the on-top marking off.
        [](int row) { spectrum().onTopPeakTrace = menu_values::onTopOfKind(row); });
    const char* const guideCaptions[2] = {"2.4 GHz \nGUIDE:", "5 GHz \nGUIDE:"};
    for (int band = 0; band < 2; ++band) {
        addPicker(
            guideCaptions[band], [band] { return menu_values::guideRows(band); },
            [band] {
                const std::int32_t stored = band == 0 ? spectrum().channelGuide24 : spectrum().channelGuide5;
                return channelplan::pickerRowOfPlan(band, stored);
            },
            [band] {
                return menu_values::guideTitle(band, band == 0 ? spectrum().channelGuide24 : spectrum().channelGuide5);
            },
            [band](int row) {
                std::int32_t& slot = band == 0 ? spectrum().channelGuide24 : spectrum().channelGuide5;
                slot = channelplan::planOfPickerRow(band, row);
            });
    }
}

} // namespace nolvo
