#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Templates.h"

namespace {

// A row per channel: its check box with the channel's title, and its Cal box.
void AddChannelRows(std::vector<ControlTemplate>& controls)
{
    for (int i = 0; i < 6; ++i) {
        const int x = 14 + (i % 2) * 142;
        const int y = 167 + (i / 2) * 14;
        controls.push_back({ControlKind::CheckBox, IDC_LAS_CHANNEL1 + i, "CH" + std::to_string(i + 1), x, y, 104, 10});
        controls.push_back({ControlKind::CheckBox, IDC_LAS_CAL1 + i, "Cal", x + 106, y, 28, 10});
    }
}

DialogTemplate LasExportTemplate()
{
    DialogTemplate tpl{IDD_LAS_EXPORT, "LAS 2.0 exportation", 300, 236, DS_CAPTION | DS_SYSMENU | DS_CENTER, {}};
    tpl.controls = {
        {ControlKind::GroupBox, -1, "Selected Files", 7, 4, 286, 48},
        {ControlKind::Static, -1, "&Input file : ", 14, 18, 48, 10},
        {ControlKind::Static, IDC_LAS_INPUT_FILE, "*.log", 64, 18, 182, 10},
        {ControlKind::PushButton, IDC_LAS_SELECT_INPUT, "...", 250, 16, 36, 13},
        {ControlKind::Static, -1, "&Output file :", 14, 35, 48, 10},
        {ControlKind::Static, IDC_LAS_OUTPUT_FILE, "*.las", 64, 35, 182, 10},
        {ControlKind::PushButton, IDC_LAS_SELECT_OUTPUT, "...", 250, 33, 36, 13},
        {ControlKind::GroupBox, -1, "Configuration", 7, 56, 142, 96},
        {ControlKind::GroupBox, -1, "Export depth range", 13, 67, 130, 46},
        {ControlKind::Static, -1, "&From", 20, 81, 24, 10},
        {ControlKind::Edit, IDC_LAS_FROM, "", 48, 79, 60, 13},
        {ControlKind::Static, -1, "&To", 20, 97, 24, 10},
        {ControlKind::Edit, IDC_LAS_TO, "", 48, 95, 60, 13},
        {ControlKind::Static, -1, "Interval : ", 20, 120, 36, 10},
        {ControlKind::Static, IDC_LAS_INTERVAL, "", 58, 120, 40, 10},
        {ControlKind::Static, -1, "cm", 100, 120, 16, 10},
        {ControlKind::CheckBox, IDC_LAS_REVERSE, "&Reverse depth", 20, 136, 100, 10},
        {ControlKind::GroupBox, -1, "Calibration", 155, 56, 138, 96},
        {ControlKind::ComboDropList, IDC_LAS_CALIBRATION, "", 162, 70, 124, 60},
        {ControlKind::Static, IDC_LAS_CAL_FILE, "*** N/A ***", 162, 94, 84, 10},
        {ControlKind::PushButton, IDC_LAS_SELECT_CAL, "...", 250, 92, 36, 13},
        {ControlKind::GroupBox, -1, "Displayed channels", 7, 155, 286, 56},
    };
    AddChannelRows(tpl.controls);
    tpl.controls.push_back({ControlKind::PushButton, IDC_LAS_START, "&Start", 180, 216, 50, 14});
    tpl.controls.push_back({ControlKind::PushButton, IDCANCEL, "&Close", 240, 216, 50, 14});
    return tpl;
}

}  // namespace

std::vector<DialogTemplate> LasTemplates()
{
    return {LasExportTemplate()};
}
