#pragma once
// The signal history view: signal (dBm) over the last minutes for the access points in view after
// filtering - the strongest 10, or the ones picked (in the details popover or selected in the
// utilization table) - in their overlay colours, with a legend. Title-bar buttons export the
// history as CSV, clear the picks and change the time span; the wheel and the + / - keys change
// the span too (1 to 10 minutes), E exports, C clears the picks, Esc closes.
// It redraws only when the history changed (a scan) or the time axis moved a second. Render thread.

#include <cstdint>
#include <functional>
#include <vector>

#include "display/AnalystPanel.h"
#include "display/AnalystViewData.h"

namespace engine {
class DrawNode;
}

namespace nolvo {

class DataModel;

class SignalHistoryView : public AnalystPanel {
public:
    static constexpr std::size_t kDefaultLines = 10;
    static constexpr float kTopDbm = -20.0f;
    static constexpr float kBottomDbm = -100.0f;

    static SignalHistoryView* create(DataModel& model, const engine::Rect& area);
    ~SignalHistoryView() override;

    // The addresses picked for the view (besides the optimization selection); an address picked
    // twice is removed again.
    void togglePick(const Bssid& bssid);
    void clearPicks();
    const std::vector<Bssid>& picks() const { return m_picks; }
    // Called by EXPORT and E with the lines' full series (the owner writes the file).
    void setExportCallback(std::function<void()> callback) { m_onExport = std::move(callback); }

    int spanMinutes() const { return m_spanMinutes; }
    void setSpanMinutes(int minutes);
    bool handleKey(int keyCode, int rawKey) override;
    void update(float dt) override;
    // Rebuilds from the model now (tests, and after a filter change).
    void refresh();

    // ---- observation (tests) ----
    const std::vector<HistoryLine>& lines() const { return m_lines; }
    // Where a level at an age lands in this node's coordinates.
    engine::Vec2 plotPoint(std::uint64_t ageMs, float dBm) const;

protected:
    void onWheel(float scrollY) override;

private:
    explicit SignalHistoryView(DataModel& model) : m_model(model) {}
    bool init(const engine::Rect& area);
    void draw();
    engine::Rect plotRect() const;

    DataModel& m_model;
    std::vector<Bssid> m_picks;
    std::vector<HistoryLine> m_lines;
    std::function<void()> m_onExport;
    engine::DrawNode* m_plot = nullptr;
    std::vector<engine::Node*> m_texts; // axis and legend labels, rebuilt with the plot
    int m_spanMinutes = 10;
    std::uint64_t m_seenRevision = ~0ull;
    std::uint64_t m_nowMs = 0;
    float m_sinceDraw = 0.0f;
};

} // namespace nolvo
