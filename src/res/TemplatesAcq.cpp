#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Templates.h"

std::vector<DialogTemplate> AcqTemplates()
{
    return {
        {IDD_RECORDING_MODE, "", 150, 96, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::Static, IDC_RECORDING_MODE_TITLE, "Recording Mode ...", 10, 7, 130, 10},
          {ControlKind::RadioButton, IDC_TIME_MODE, "&Time Mode", 20, 22, 110, 10, true},
          {ControlKind::RadioButton, IDC_UP_DEPTH_MODE, "&Up Depth Mode", 20, 36, 110, 10},
          {ControlKind::RadioButton, IDC_DOWN_DEPTH_MODE, "&Down Depth Mode", 20, 50, 110, 10},
          {ControlKind::PushButton, IDOK, "&OK", 20, 72, 50, 14, true},
          {ControlKind::PushButton, IDCANCEL, "Cancel", 80, 72, 50, 14}}},
        {IDD_SET_DEPTH, "Depth reset.", 180, 80, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::IconStatic, IDC_SET_DEPTH_ICON, "", 10, 10, 21, 20},
          {ControlKind::Static, -1, "Depth Reset.\n Are you sure of your setting ?", 40, 8, 130, 20},
          {ControlKind::Edit, IDC_SET_DEPTH_EDIT, "", 40, 34, 60, 13},
          {ControlKind::PushButton, IDOK, "&OK", 40, 56, 50, 14},
          {ControlKind::PushButton, IDCANCEL, "Cancel", 100, 56, 50, 14}}},
        {IDD_ALERT, "Invalid Depth !!!", 200, 70, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::IconStatic, IDC_ALERT_ICON, "", 10, 10, 21, 20},
          {ControlKind::StaticCentre, IDC_ALERT_TEXT, "", 38, 12, 154, 24},
          {ControlKind::PushButton, IDOK, "&OK", 75, 48, 50, 14}}},
    };
}
