#include "res/Resource.h"
#include "res/Templates.h"

namespace {

DialogTemplate DepthPanel()
{
    DialogTemplate tpl{IDD_DEPHT_DLG, "", 218, 66, DS_CHILD, {}};
    tpl.controls = {
        {ControlKind::StaticCentre, IDC_DEPTH_CAPTION, "", 2, 1, 78, 9},
        {ControlKind::StaticCentre, -1, "Speed (m/min)", 100, 1, 60, 9},
        {ControlKind::Static, IDC_DEPTH_READOUT, "", 2, 10, 78, 22},
        {ControlKind::IconStatic, IDC_DEPTH_REFERENCE, "", 82, 13, 16, 16},
        {ControlKind::Static, IDC_SPEED_READOUT, "", 100, 10, 60, 22},
        {ControlKind::PushButton, IDC_DEPTH_RESET, "", 164, 12, 16, 16},
        {ControlKind::PushButton, IDC_RECORDING_MODE, "", 182, 12, 16, 16},
        {ControlKind::PushButton, IDC_MAGNIFIER, "", 200, 12, 16, 16},
        {ControlKind::ComboDropList, IDC_MODEL_COMBO, "", 2, 35, 156, 80},
        {ControlKind::ComboDropList, IDC_SCALE_COMBO, "", 162, 35, 54, 80},
    };
    const int presets[] = {IDC_PRESET1, IDC_PRESET2, IDC_PRESET3, IDC_PRESET4, IDC_PRESET5, IDC_PRESET6};
    for (int k = 0; k < 6; ++k)
        tpl.controls.push_back({ControlKind::PushButton, presets[k], "", 2 + 36 * k, 51, 34, 13});
    return tpl;
}

DialogTemplate DepthMagnifier()
{
    return {IDD_BIG_DEPTH, "Depth magnifier", 200, 92, DS_CAPTION | DS_SYSMENU,
            {{ControlKind::Static, IDC_DEPTH_READOUT, "", 4, 4, 150, 46},
             {ControlKind::Static, IDC_DEPTH_UNIT, "M", 160, 14, 36, 28},
             {ControlKind::Static, IDC_SPEED_READOUT, "", 4, 56, 150, 32},
             {ControlKind::Static, IDC_SPEED_UNIT, "m/min", 160, 64, 38, 18}}};
}

DialogTemplate ToolsBox()
{
    DialogTemplate tpl{IDD_TOOLS_PROBE_DLG, "Tools Box", 214, 118, DS_CAPTION | DS_SYSMENU, {}};
    tpl.controls = {
        {ControlKind::Static, IDC_TOOLS_LABEL1, "Channel", 4, 3, 44, 8},
        {ControlKind::Static, IDC_TOOLS_LABEL1 + 1, "Raw (CPS)", 52, 3, 50, 8},
        {ControlKind::Static, IDC_TOOLS_LABEL1 + 2, "Calibrated", 106, 3, 60, 8},
        {ControlKind::Static, -1, "Unit", 170, 3, 40, 8},
    };
    const int names[] = {IDC_CHANNEL_NAME1, 1051, 1052, 1053, 1054, 1055};
    for (int k = 0; k < 6; ++k) {
        const int y = 14 + 14 * k;
        tpl.controls.push_back({ControlKind::Static, names[k], "", 4, y + 2, 46, 10});
        tpl.controls.push_back({ControlKind::Static, IDC_RAW_VALUE1 + k, "", 52, y, 50, 12});
        tpl.controls.push_back({ControlKind::Static, IDC_CALIBRATED_VALUE1 + k, "", 106, y, 60, 12});
        tpl.controls.push_back({ControlKind::Static, IDC_CHANNEL_UNIT1 + k, "", 170, y + 2, 40, 10});
    }
    tpl.controls.push_back({ControlKind::Static, IDC_TOOLS_LABEL1 + 3, "Slot", 4, 102, 30, 8});
    tpl.controls.push_back({ControlKind::Static, IDC_SLOT_VALUE, "", 36, 100, 40, 12});
    tpl.controls.push_back({ControlKind::Static, IDC_TOOLS_LABEL1 + 4, "ToolID", 90, 102, 30, 8});
    tpl.controls.push_back({ControlKind::Static, IDC_TOOL_ID_VALUE, "", 124, 100, 40, 12});
    return tpl;
}

DialogTemplate SingleValue()
{
    return {IDD_BIG_DATA, "", 220, 92, DS_CAPTION | DS_SYSMENU | DS_SIZEBOX,
            {{ControlKind::Static, IDC_BIG_DATA_TITLE, "", 4, 2, 212, 16},
             {ControlKind::Static, IDC_BIG_DATA_READOUT, "", 4, 20, 212, 54},
             {ControlKind::CheckBox, IDC_FAST_UPDATE, "Fast Update", 150, 78, 66, 10}}};
}

}  // namespace

std::vector<DialogTemplate> PanelTemplates()
{
    return {DepthPanel(), DepthMagnifier(), ToolsBox(), SingleValue()};
}
