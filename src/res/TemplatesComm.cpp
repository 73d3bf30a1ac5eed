#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Templates.h"

namespace {

constexpr int kLedX = 14;
constexpr int kLedY = 68;
constexpr int kLedRow = 14;
constexpr int kLedColumn = 100;

// An LED icon with its label; four in the first column, three in the second.
void AddLed(std::vector<ControlTemplate>& controls, int index, int id, const char* label)
{
    const int x = kLedX + (index / 4) * kLedColumn;
    const int y = kLedY + (index % 4) * kLedRow;
    controls.push_back({ControlKind::IconStatic, id, "", x, y, 10, 10});
    controls.push_back({ControlKind::Static, -1, label, x + 14, y + 1, 80, 9});
}

DialogTemplate CommPage()
{
    // The size of the sheet's other pages.
    DialogTemplate tpl{IDD_COMM_PAGE, "Communication", 219, 154, DS_CHILD, {}};
    tpl.controls = {
        {ControlKind::GroupBox, -1, "Cable link", 7, 4, 205, 46},
        {ControlKind::Static, -1, "&Downhole Signal Drive", 14, 17, 82, 9},
        {ControlKind::Edit, IDC_COMM_DRIVE, "", 98, 15, 30, 13},
        {ControlKind::VScrollBar, IDC_COMM_DRIVE_SPIN, "", 129, 15, 9, 13},
        {ControlKind::Static, -1, "Uphole Receiver &Gain", 14, 33, 82, 9},
        {ControlKind::Edit, IDC_COMM_GAIN, "", 98, 31, 30, 13},
        {ControlKind::VScrollBar, IDC_COMM_GAIN_SPIN, "", 129, 31, 9, 13},
        {ControlKind::Static, -1, "db", 141, 33, 12, 9},
        {ControlKind::PushButton, IDC_COMM_SET, "&Set", 156, 14, 50, 14},
        {ControlKind::PushButton, IDC_COMM_CHECK, "&Check", 156, 31, 50, 14},
        {ControlKind::GroupBox, -1, "Status", 7, 56, 205, 68},
    };
    AddLed(tpl.controls, 0, IDC_LED_DATA_VALID, "Data Valid");
    AddLed(tpl.controls, 1, IDC_LED_NO_RESP, "No Resp");
    AddLed(tpl.controls, 2, IDC_LED_INT_RESP, "Int Resp");
    AddLed(tpl.controls, 3, IDC_LED_CHECKSUM, "Checksum error");
    AddLed(tpl.controls, 4, IDC_LED_PARAMETER_UPDATE, "Parameter Update");
    AddLed(tpl.controls, 5, IDC_LED_SETTING_UPDATE, "Setting Update");
    AddLed(tpl.controls, 6, IDC_LED_FRAME_LENGTH, "Frame length error");
    return tpl;
}

}  // namespace

std::vector<DialogTemplate> CommTemplates()
{
    return {
        CommPage(),
        {IDD_CHECK_COMM, "Communication Auto Check", 168, 87, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::GroupBox, -1, "Result", 5, 2, 158, 52},
          {ControlKind::StaticCentre, -1, "Current", 44, 12, 52, 9},
          {ControlKind::StaticCentre, -1, "Selected", 102, 12, 52, 9},
          {ControlKind::Static, -1, "Signal", 12, 25, 30, 9},
          {ControlKind::StaticCentre, IDC_CHECK_DRIVE, "", 44, 23, 52, 12},
          {ControlKind::StaticCentre, IDC_CHECK_SELECTED_DRIVE, "", 102, 23, 52, 12},
          {ControlKind::Static, -1, "Gain", 12, 40, 30, 9},
          {ControlKind::StaticCentre, IDC_CHECK_GAIN, "", 44, 38, 52, 12},
          {ControlKind::StaticCentre, IDC_CHECK_SELECTED_GAIN, "", 102, 38, 52, 12},
          {ControlKind::StaticCentre, IDC_CHECK_STATUS, "", 5, 57, 158, 10},
          {ControlKind::PushButton, IDCANCEL, "&Cancel", 59, 70, 50, 14}}},
    };
}
