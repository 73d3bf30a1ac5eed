#include "res/Resource.h"
#include "res/Templates.h"

namespace {

constexpr int kPageWidth = 219;
constexpr int kPageHeight = 154;

ControlTemplate Label(const char* text, int y) { return {ControlKind::Static, -1, text, 12, y + 2, 84, 8}; }
ControlTemplate Unit(const char* text, int y) { return {ControlKind::Static, -1, text, 166, y + 2, 40, 8}; }
ControlTemplate NumberEdit(int id, int y) { return {ControlKind::Edit, id, "", 100, y, 50, 12}; }
ControlTemplate Spin(int id, int y) { return {ControlKind::VScrollBar, id, "", 151, y, 10, 12}; }
ControlTemplate SetButton() { return {ControlKind::PushButton, IDC_PAGE_SET, "&Set", 84, 128, 50, 14}; }

DialogTemplate Sheet()
{
    return {IDD_LOGGER_SETUP,
            "Logger Setup",
            243,
            190,
            DS_CAPTION | DS_SYSMENU,
            {{ControlKind::TabControl, IDC_SETUP_TAB, "", 8, 0, 226, 14},
             {ControlKind::GroupBox, -1, "", 8, 9, 227, 169}}};
}

DialogTemplate WinchPage()
{
    return {IDD_WINCH_PAGE,
            "",
            kPageWidth,
            kPageHeight,
            DS_CHILD,
            {Label("Encoder Direction", 14),
             {ControlKind::CheckBox, IDC_WINCH_NORMAL, "&Normal", 100, 15, 60, 10},
             Label("Encoder &Resolution", 36),
             NumberEdit(IDC_WINCH_RESOLUTION, 36),
             Spin(IDC_WINCH_RESOLUTION_SPIN, 36),
             Unit("Pulse/T", 36),
             Label("Wheel &Circumference", 58),
             NumberEdit(IDC_WINCH_CIRCUMFERENCE, 58),
             Spin(IDC_WINCH_CIRCUMFERENCE_SPIN, 58),
             Unit("mm", 58),
             Label("Cable &Type", 80),
             {ControlKind::ComboDropList, IDC_WINCH_CABLE_TYPE, "", 100, 80, 76, 40},
             SetButton()}};
}

DialogTemplate ProbePage()
{
    return {IDD_PROBE_PAGE,
            "",
            kPageWidth,
            kPageHeight,
            DS_CHILD,
            {Label("Supply &Voltage", 20),
             NumberEdit(IDC_PROBE_VOLTAGE, 20),
             Spin(IDC_PROBE_VOLTAGE_SPIN, 20),
             Unit("V", 20),
             Label("&Time sampling", 48),
             NumberEdit(IDC_PROBE_TIME, 48),
             Spin(IDC_PROBE_TIME_SPIN, 48),
             {ControlKind::Static, -1, "ms", 166, 50, 12, 8},
             {ControlKind::StaticCentre, IDC_PROBE_TIME_ECHO, "-", 180, 48, 32, 12},
             Label("&Depth sampling", 76),
             NumberEdit(IDC_PROBE_DEPTH, 76),
             Spin(IDC_PROBE_DEPTH_SPIN, 76),
             {ControlKind::Static, -1, "cm", 166, 78, 12, 8},
             {ControlKind::StaticCentre, IDC_PROBE_DEPTH_ECHO, "-", 180, 76, 32, 12},
             SetButton()}};
}

}  // namespace

std::vector<DialogTemplate> SetupTemplates() { return {Sheet(), WinchPage(), ProbePage()}; }
