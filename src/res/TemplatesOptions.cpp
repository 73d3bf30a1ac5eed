#include "res/Resource.h"
#include "res/Templates.h"

namespace {

DialogTemplate DisplayOptions()
{
    using K = ControlKind;
    return {IDD_SET_CHANNEL, "Display Options", 265, 206, DS_CAPTION | DS_SYSMENU,
            {{K::Static, IDC_OPT_NAME_LABEL, "Name :", 7, 7, 54, 9},
             {K::Static, IDC_OPT_TITLE, "", 62, 5, 112, 12},
             {K::Static, IDC_OPT_UNIT, "", 178, 5, 36, 12},
             {K::Static, IDC_OPT_SWATCH, "", 218, 5, 40, 12},
             {K::GroupBox, IDC_OPT_SCALE_GROUP, "Scale", 7, 20, 118, 64},
             {K::CheckBox, IDC_OPT_REVERSE, "&Reverse Scale", 13, 31, 100, 10},
             {K::Static, -1, "&Minimum", 13, 47, 36, 8},
             {K::Edit, IDC_OPT_MINIMUM, "", 52, 45, 50, 12},
             {K::VScrollBar, IDC_OPT_MINIMUM_SPIN, "", 102, 45, 10, 12},
             {K::Static, -1, "Ma&ximum", 13, 65, 36, 8},
             {K::Edit, IDC_OPT_MAXIMUM, "", 52, 63, 50, 12},
             {K::VScrollBar, IDC_OPT_MAXIMUM_SPIN, "", 102, 63, 10, 12},
             {K::GroupBox, -1, "Track", 131, 20, 60, 30},
             {K::Static, -1, "&Cols", 137, 34, 20, 8},
             {K::Edit, IDC_OPT_COLS, "", 158, 32, 22, 12},
             {K::VScrollBar, IDC_OPT_COLS_SPIN, "", 180, 32, 8, 12},
             {K::GroupBox, -1, "Shading", 197, 20, 61, 48},
             {K::RadioButton, IDC_OPT_SHADE_NONE, "&None", 203, 30, 50, 10, true},
             {K::RadioButton, IDC_OPT_SHADE_LEFT, "&Left", 203, 42, 50, 10},
             {K::RadioButton, IDC_OPT_SHADE_RIGHT, "R&ight", 203, 54, 50, 10},
             {K::CheckBox, IDC_OPT_WRAP, "Over&wrap", 131, 56, 60, 10, true},
             {K::CheckBox, IDC_OPT_FILTER, "&Enable Filtering", 131, 72, 66, 10},
             {K::Edit, IDC_OPT_FILTER_WIDTH, "", 200, 71, 26, 12},
             {K::VScrollBar, IDC_OPT_FILTER_SPIN, "", 226, 71, 8, 12},
             {K::CheckBox, IDC_OPT_CALIBRATE, "&Use Calbration", 7, 92, 80, 10},
             {K::PushButton, IDC_OPT_COLOR, "C&olor", 100, 89, 44, 14},
             {K::PushButton, IDC_OPT_CAL, "C&al.", 150, 89, 44, 14},
             {K::PushButton, IDC_OPT_SET, "&Set", 214, 89, 44, 14},
             {K::Custom, IDC_OPT_GRID, "", 7, 112, 249, 93}}};
}

DialogTemplate ColourChooser()
{
    DialogTemplate tpl{IDD_COLOR_PEN, "", 98, 90, DS_CAPTION | DS_SYSMENU, {}};
    for (int k = 0; k < 20; ++k)
        tpl.controls.push_back({ControlKind::Static, IDC_PEN_CELLS[k], "", 4 + 18 * (k % 5), 4 + 16 * (k / 5), 18, 16});
    tpl.controls.push_back({ControlKind::PushButton, 1, "&OK", 4, 70, 44, 14});
    tpl.controls.push_back({ControlKind::PushButton, 2, "&Cancel", 50, 70, 44, 14});
    return tpl;
}

}  // namespace

std::vector<DialogTemplate> OptionsTemplates() { return {DisplayOptions(), ColourChooser()}; }
