#pragma once
// Ids of the program's templates, controls, icons and strings.

// Dialog templates
constexpr int IDD_VARNOLOGGER_KVX_DIALOG = 154;
constexpr int IDD_POWER_DLG = 157;
constexpr int IDD_END_PROCESS = 520;

// Controls
constexpr int IDC_CAPTION_STATIC = 301;
constexpr int IDC_POWER = 1004;
constexpr int IDC_STOP = 1005;
constexpr int IDC_PLAY = 1006;
constexpr int IDC_RECORD = 1007;
constexpr int IDC_RESET = 1008;
constexpr int IDC_SPEED_SLIDER = 1009;
constexpr int IDC_RECORD_TIME = 1010;
constexpr int IDC_PAUSE = 1011;
constexpr int IDC_TOOLS_BOX = 1012;
constexpr int IDC_CURVE_PARAMETERS = 1013;
constexpr int IDC_LOGGER_SETUP = 1014;
constexpr int IDC_VOLTAGE = 1015;
constexpr int IDC_CURRENT = 1016;
constexpr int IDC_STATUS_LINE = 1017;
constexpr int IDC_VALID_COUNT = 1019;
constexpr int IDC_ERROR_COUNT = 1020;
constexpr int IDC_TRACK_FRAME = 1025;
constexpr int IDC_STATUS_BAR = 1036;
constexpr int IDC_END_MESSAGE = 1552;

// Icons
constexpr int IDR_MAINFRAME = 199;
constexpr int IDI_SONDE_ON = 216;
constexpr int IDI_SONDE_OFF = 218;
constexpr int IDI_TX_IDLE = 222;
constexpr int IDI_RX_IDLE = 223;
constexpr int IDI_RX_ACTIVE = 224;
constexpr int IDI_TX_ACTIVE = 225;
constexpr int IDI_POWER_ON = 200;
constexpr int IDI_POWER_OFF = 202;
constexpr int IDI_STOP = 203;
constexpr int IDI_PLAY = 204;
constexpr int IDI_RECORD = 205;
constexpr int IDI_RECORD_BLINK = 206;
constexpr int IDI_PAUSE = 211;
constexpr int IDI_CURVE_PARAMETERS = 219;
constexpr int IDI_RESET = 221;
constexpr int IDI_PLAY_BLINK = 522;
constexpr int IDI_POWER_OFF_BLINK = 525;
constexpr int IDI_POWER_ON_BLINK = 528;
constexpr int IDI_RECORD_STOP = 535;

// Bitmaps
constexpr int IDB_LOGGER_SETUP = 213;
constexpr int IDB_TOOLS_BOX = 227;

// Commands between windows
constexpr int ID_CMD_NEW_LOG = 101;
constexpr int ID_CMD_LOGGER_SETUP = 133;
constexpr int ID_CMD_TOOLS_BOX = 150;
constexpr int ID_CMD_DISPLAY_OPTIONS = 505;
