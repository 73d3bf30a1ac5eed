#include "res/Resource.h"
#include "res/Templates.h"

std::vector<DialogTemplate> MainTemplates()
{
    return {
        {IDD_VARNOLOGGER_KVX_DIALOG, "VarnoLogger KVX", 518, 324,
         DS_CAPTION | DS_SYSMENU | DS_VISIBLE | DS_SIZEBOX | DS_MINMAXBOX,
         {{ControlKind::EtchedFrame, IDC_TRACK_FRAME, "", 7, 51, 505, 259}},
         "MS Shell Dlg",
         8,
         IDR_MAIN_MENU},
        {IDD_POWER_DLG, "", 300, 65, DS_CHILD,
         {{ControlKind::StaticCentre, IDC_CAPTION_STATIC, "", 0, 0, 300, 12},
          {ControlKind::PushButton, IDC_POWER, "", 2, 14, 20, 20},
          {ControlKind::PushButton, IDC_RECORD, "", 24, 14, 20, 20},
          {ControlKind::PushButton, IDC_PAUSE, "", 46, 14, 20, 20},
          {ControlKind::PushButton, IDC_PLAY, "", 68, 14, 20, 20},
          {ControlKind::PushButton, IDC_STOP, "", 90, 14, 20, 20},
          {ControlKind::PushButton, IDC_RESET, "", 112, 14, 20, 20},
          {ControlKind::PushButton, IDC_TOOLS_BOX, "", 138, 14, 20, 20},
          {ControlKind::PushButton, IDC_CURVE_PARAMETERS, "", 160, 14, 20, 20},
          {ControlKind::PushButton, IDC_LOGGER_SETUP, "", 182, 14, 20, 20},
          {ControlKind::Static, IDC_VOLTAGE, "000", 206, 14, 30, 10},
          {ControlKind::Static, -1, "V", 238, 15, 12, 8},
          {ControlKind::Static, IDC_CURRENT, "000", 206, 25, 30, 10},
          {ControlKind::Static, -1, "mA", 238, 26, 12, 8},
          {ControlKind::Static, -1, "Valid", 252, 15, 18, 8},
          {ControlKind::Static, IDC_VALID_COUNT, "000", 270, 14, 28, 10},
          {ControlKind::Static, -1, "Error", 252, 26, 18, 8},
          {ControlKind::Static, IDC_ERROR_COUNT, "000", 270, 25, 28, 10},
          {ControlKind::Trackbar, IDC_SPEED_SLIDER, "", 2, 36, 130, 13},
          {ControlKind::Static, IDC_RECORD_TIME, "00.00.00", 134, 36, 50, 12},
          {ControlKind::Static, IDC_STATUS_LINE, "", 0, 51, 300, 12}}},
        {IDD_END_PROCESS, "VarnoLogger", 269, 53, DS_CAPTION | DS_CENTER,
         {{ControlKind::StaticCentre, IDC_END_MESSAGE, "", 31, 16, 202, 19}}},
    };
}

std::vector<MenuTemplate> MainMenus()
{
    return {
        {IDR_MAIN_MENU,
         {{0, "&File",
           {{ID_CMD_OPEN, "&Open"},
            {ID_CMD_NEW_LOG, "&New log."},
            {0, ""},
            {0, "E&xport to", {{ID_CMD_EXPORT_LAS, "LAS 20"}}},
            {0, ""},
            {ID_CMD_PRINT, "&Print"},
            {ID_CMD_AUTO_PRINT, "&Auto Print"},
            {ID_CMD_SET_PRINTER, "&Set Printer"},
            {0, ""},
            {ID_CMD_EXIT, "&Exit"}}},
          {0, "&Setup",
           {{0, "&Sonde",
             {{ID_CMD_SONDE_IMPORT, "&Sonde import"},
              {ID_CMD_CALIBRATION, "&Calibration"},
              {ID_CMD_REMOVE_SONDE, "&Remove Sonde"}}}}}}},
    };
}
