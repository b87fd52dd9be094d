#include "menus/SpectrumMeasureMenu.h"

#include "menus/MenuValues.h"
#include "model/DataModel.h"

namespace nolvo {

namespace mv = menu_values;

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
            mv::peakTarget(spectrum(), k).caption,
            [k] {
                const mv::PeakTarget target = mv::peakTarget(spectrum(), k);
                return target.field ? mv::percentOfPeakCount(*target.field) : 0;
            },
            [k] {
                const mv::PeakTarget target = mv::peakTarget(spectrum(), k);
                return target.field ? std::to_string(DataModel::peakCountOf(*target.field)) : std::string("-");
            },
            [k](int p) {
                const mv::PeakTarget target = mv::peakTarget(spectrum(), k);
                if (target.field) *target.field = static_cast<std::uint8_t>(mv::peakCountFromPercent(p));
            });
        if (!row) continue;
        row->setCaptionSource([k] { return mv::peakTarget(spectrum(), k).caption; });
        row->setEnabledSource([k] { return mv::peakTarget(spectrum(), k).field != nullptr; });
    }
    addPicker(
        "PEAKS \n(ON TOP):", [] { return mv::traceNames(); },
        [] { return mv::rowOf(spectrum().onTopPeakTrace, 6); }, [] { return mv::traceName(spectrum().onTopPeakTrace); },
        // HEAT MAP has no peaks: choosing it turns the on-top marking off.
        [](int row) { spectrum().onTopPeakTrace = mv::onTopOfKind(row); });
    addPicker(
        "2.4 GHz \nGUIDE:", [] { return mv::guide24Rows(); },
        [] { return mv::rowOf(spectrum().channelGuide24, mv::guide24Rows().size()); },
        [] { return mv::planName(spectrum().channelGuide24); }, [](int row) { spectrum().channelGuide24 = row; });
    addPicker(
        "5 GHz \nGUIDE:", [] { return mv::guide5Rows(); }, [] { return mv::guide5RowOfPlan(spectrum().channelGuide5); },
        [] { return mv::planName(spectrum().channelGuide5); },
        [](int row) {
            const int plan = mv::guide5PlanOfRow(row);
            if (plan >= 0) spectrum().channelGuide5 = plan;
        });
}

} // namespace nolvo
