#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Templates.h"

std::vector<DialogTemplate> CalibTemplates()
{
    return {
        {IDD_CALIBRATION, "Calbration", 224, 138, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::Static, IDC_CAL_SONDE_TITLE, "Title sonde", 7, 6, 210, 9},
          {ControlKind::Static, IDC_CAL_FILE, "File", 7, 17, 210, 9},
          {ControlKind::Static, -1, "C&hannel ", 7, 34, 52, 8},
          {ControlKind::ComboDropList, IDC_CAL_CHANNEL, "", 62, 32, 62, 80},
          {ControlKind::Static, -1, "&Name", 7, 50, 52, 8},
          {ControlKind::Edit, IDC_CAL_NAME, "", 62, 48, 62, 12},
          {ControlKind::Static, -1, "&Unit", 7, 64, 52, 8},
          {ControlKind::Edit, IDC_CAL_UNIT, "", 62, 62, 62, 12},
          {ControlKind::Static, -1, "Coefficient &A:", 7, 80, 54, 8},
          {ControlKind::Edit, IDC_CAL_COEFFICIENT0, "", 62, 78, 62, 12},
          {ControlKind::Static, -1, "Coefficient &B:", 7, 94, 54, 8},
          {ControlKind::Edit, IDC_CAL_COEFFICIENT0 + 1, "", 62, 92, 62, 12},
          {ControlKind::Static, -1, "Coefficient &C:", 7, 108, 54, 8},
          {ControlKind::Edit, IDC_CAL_COEFFICIENT0 + 2, "", 62, 106, 62, 12},
          {ControlKind::Static, -1, "Coefficient &D:", 7, 122, 54, 8},
          {ControlKind::Edit, IDC_CAL_COEFFICIENT0 + 3, "", 62, 120, 62, 12},
          {ControlKind::PushButton, IDC_CAL_LOAD, "&Load calibration file", 132, 32, 85, 14},
          {ControlKind::PushButton, IDC_CAL_SAVE, "Save calibration file", 132, 50, 85, 14},
          {ControlKind::DefPushButton, IDC_CAL_SET, "&Set", 132, 78, 85, 14},
          {ControlKind::PushButton, IDCANCEL, "Cl&ose", 132, 118, 85, 14}}},
        {IDD_ABOUTBOX, "About software...", 235, 55, DS_CAPTION | DS_SYSMENU | DS_CENTER,
         {{ControlKind::IconStatic, IDC_ABOUT_ICON, "", 7, 7, 20, 20},
          {ControlKind::Static, IDC_ABOUT_VERSION, "KVX Version 1.0", 40, 7, 119, 8},
          {ControlKind::Static, IDC_ABOUT_NOTICE, "Copyright (C) 2018", 160, 7, 68, 8},
          {ControlKind::Static, IDC_ABOUT_SERIAL, "Logger S/N :", 40, 21, 188, 8},
          {ControlKind::Static, IDC_ABOUT_OS, "OS:", 40, 36, 139, 8},
          {ControlKind::DefPushButton, IDOK, "&OK", 189, 35, 38, 13}}},
    };
}
