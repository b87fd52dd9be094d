#pragma once
// What one row of an access-point table draws: one label per column (centred in its column), the
// lock icon in the security column, the coloured signal bar in the RSSI column, a separator along
// the bottom and one between each pair of columns, and a background (grey in edit mode). Header
// and message rows show one label across the row instead. Fills only from a snapshot row, so a
// cell never reads the model's list. Render thread only.

#include <string>
#include <vector>

#include "engine/scene/Node.h"
#include "tables/CellTexts.h"
#include "tables/TableColumns.h"

namespace engine {
class Label;
class LayerColor;
class Sprite;
namespace ui {
class LoadingBar;
}
}

namespace nolvo {

struct AccessPointRow;

// Geometry shared by every cell of a table.
struct CellLayout {
    std::vector<TableColumn> columns;
    std::vector<float> widths; // per column, points
    float leftMargin = 0.0f;
    float width = 0.0f;        // row width
    float rowHeight = 26.0f;
    float fontSize = 14.0f;
    bool compact = false;
};

class SSIDCellView : public engine::Node {
public:
    static SSIDCellView* create();

    // Lays the cell out again when the table's geometry changed (cheap when it did not).
    void applyLayout(const CellLayout& layout);

    // One centred label across the row; headers are bold-coloured, messages plain.
    void showBanner(const std::string& text, bool header);
    // The columns of an access point.
    void showAccessPoint(const AccessPointRow& row, TableKind table);
    // A selected address that is not in the list any more: its name, greyed, "not heard".
    void showNotHeard(const std::string& name);
    // Edit mode: every row on a grey background.
    void setEditShade(bool on);

    // ---- observation (tests) ----
    std::string columnText(ColumnKind kind) const;
    std::string bannerText() const;
    bool isBannerShown() const;
    bool isLockShown() const;
    // Where a column's text and the lock icon are drawn (cell coordinates; empty when absent).
    engine::Rect textBox(ColumnKind kind) const;
    engine::Rect lockBox() const;
    float barPercent() const { return m_barPercent; }
    engine::Color3B barColour() const;
    bool isEditShaded() const { return m_editShade; }

private:
    SSIDCellView() = default;
    bool init() override;
    engine::Label* labelFor(ColumnKind kind) const;
    void setColumnsVisible(bool visible);
    void setText(engine::Label* label, const std::string& text);
    void setSignal(float rssi);
    void setTextColour(const engine::Color4B& colour);

    CellLayout m_layout;
    bool m_laidOut = false;
    std::vector<engine::Label*> m_labels; // one per column of m_layout
    std::vector<engine::Sprite*> m_separators;
    engine::Label* m_banner = nullptr;
    engine::Sprite* m_lock = nullptr;
    engine::ui::LoadingBar* m_bar = nullptr;
    engine::Sprite* m_bottomLine = nullptr;
    engine::LayerColor* m_background = nullptr;
    float m_barPercent = 0.0f;
    bool m_editShade = false;
};

} // namespace nolvo
