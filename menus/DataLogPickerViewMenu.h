#pragma once
// "MANAGE FILES": the data logs of the writable directory on a wheel (name, size and time of each),
// with "DELETE" (after a confirmation that names the file) and "EMAIL" (hands the file to the
// desktop's mail client) for the file in the middle of the wheel.
//
// The list is re-read when the menu opens, every two seconds while it is open and after each
// action; the selection stays on the same file when others come or go. DELETE remembers the name
// it asked about and deletes exactly that file on "OK", never the log being written.
// Keyboard: Up / Down, Page Up / Down, Home and End turn the wheel; Left / Right reach the
// buttons. Render thread only.

#include <string>
#include <vector>

#include "menus/AlertViewDelegate.h"
#include "menus/DataLogFiles.h"
#include "menus/MenuLayer.h"

namespace nolvo {

class DataLogWheelRow;

class DataLogPickerViewMenu : public MenuLayer, public AlertViewDelegate {
public:
    static DataLogPickerViewMenu* create() { return MenuLayer::make<DataLogPickerViewMenu>(); }
    ~DataLogPickerViewMenu() override;

    // Where the logs are: the engine's writable directory.
    static std::string directory();
    // Shows the file manager in place of the open menu (what "MANAGE FILES" does).
    static bool openInPlaceOfOpenMenu();

    float menuWidth(int sizeClass, float availableHeight) const override;
    bool handleKey(engine::EventKeyboard::KeyCode key) override;
    void onEnter() override;
    void onExit() override;

    // ---- the list and the wheel ----
    const std::vector<data_log_files::Entry>& files() const { return m_files; }
    // Name of the file at row i; "[Unknown]" when there is none.
    std::string fileNameAt(int row) const;
    // The row in the middle of the wheel (-1 with an empty list). selectRow() takes any value;
    // the actions check it against the list.
    int selectedRow() const { return m_selected; }
    void selectRow(int row);
    void moveSelection(int rows);
    // Re-reads the directory, keeping the selected file selected while it exists.
    void reloadFiles();

    // ---- the actions (what the buttons call) ----
    void pressDelete();
    void pressEmail();
    // The delete confirmation's answer: 0 "OK" deletes the file named when DELETE was pressed.
    void alertViewClicked(AlertViewLayer* alert, std::int32_t buttonIndex) override;
    // The file a confirmation that is open now asks about ("" when none is open).
    const std::string& pendingDeleteName() const { return m_pendingDelete; }

protected:
    friend class MenuLayer;
    DataLogPickerViewMenu() = default;
    void buildRows() override;

private:
    void wheelChanged();

    std::vector<data_log_files::Entry> m_files;
    int m_selected = -1;
    DataLogWheelRow* m_wheel = nullptr;
    AlertViewLayer* m_confirmation = nullptr; // open delete confirmation (it holds a reference to us)
    std::string m_pendingDelete;
    data_log_files::Entry m_pendingDeleteEntry; // the listed file m_pendingDelete names
};

} // namespace nolvo
