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

// Header editor and its pages
constexpr int IDD_HEADER_CLIENT = 160;
constexpr int IDD_HEADER_DATUM = 161;
constexpr int IDD_HEADER_REMARKS = 162;
constexpr int IDD_HEADER_RUN = 163;
constexpr int IDD_HEADER_RECORD = 164;
constexpr int IDD_HEADER_DLG = 165;
constexpr int IDC_HDR_TAB = 1174;
constexpr int IDC_HDR_FRAME = 1175;
constexpr int IDC_HDR_LOAD = 1409;
constexpr int IDC_HDR_RESET = 1404;
constexpr int IDC_HDR_CANCEL = 1405;
constexpr int IDC_HDR_SAVE = 1407;
constexpr int IDC_HDR_LOGO = 1614;
constexpr int IDC_HDR_PROJECT = 1064;
constexpr int IDC_HDR_LOG_NAME = 1166;
constexpr int IDC_HDR_COMPANY = 1062;
constexpr int IDC_HDR_WELL = 1056;
constexpr int IDC_HDR_FIELD = 1057;
constexpr int IDC_HDR_COUNTRY = 1061;
constexpr int IDC_HDR_STATE = 1058;
constexpr int IDC_HDR_LATITUDE = 1059;
constexpr int IDC_HDR_LONGITUDE = 1060;
constexpr int IDC_HDR_OTHER_SERVICES1 = 1168;  // 1168..1172, left to right
constexpr int IDC_HDR_PERMANENT_DATUM = 1091;
constexpr int IDC_HDR_ELEVATION = 1173;
constexpr int IDC_HDR_LOG_DATUM = 1086;
constexpr int IDC_HDR_DRILL_DATUM = 1087;
constexpr int IDC_HDR_KELLY_BUSHING = 1160;
constexpr int IDC_HDR_DRILL_FLOOR = 1161;
constexpr int IDC_HDR_GROUND_LEVEL = 1162;
constexpr int IDC_HDR_RUN_NO = 1163;
constexpr int IDC_HDR_DATE = 1092;
constexpr int IDC_HDR_LOG_TYPE = 1065;
constexpr int IDC_HDR_DEPTH_DRILLER = 1109;
constexpr int IDC_HDR_DEPTH_LOGGER = 1112;
constexpr int IDC_HDR_DEEPEST = 1115;
constexpr int IDC_HDR_SHALLOW = 1118;
constexpr int IDC_HDR_FLUID = 1068;
constexpr int IDC_HDR_ENGINEER = 1103;
constexpr int IDC_HDR_SALINITY = 1071;
constexpr int IDC_HDR_DENSITY = 1083;
constexpr int IDC_HDR_LEVEL = 1080;
constexpr int IDC_HDR_MAX_TEMPERATURE = 1077;
constexpr int IDC_HDR_RIG_TIME = 1074;
constexpr int IDC_HDR_WITNESS = 1106;
constexpr int IDC_HDR_CASING_SIZE = 1139;
constexpr int IDC_HDR_CASING_WEIGHT = 1130;
constexpr int IDC_HDR_CASING_FROM = 1133;
constexpr int IDC_HDR_CASING_TO = 1136;
constexpr int IDC_HDR_BIT = 1121;
constexpr int IDC_HDR_BIT_FROM = 1124;
constexpr int IDC_HDR_BIT_TO = 1127;
constexpr int IDC_HDR_REMARKS = 1093;

// Recording mode, depth reset and alarm dialogs
constexpr int IDD_SET_DEPTH = 158;
constexpr int IDD_ALERT = 237;
constexpr int IDD_RECORDING_MODE = 511;
constexpr int IDC_ALERT_ICON = 1587;  // the static that shows IDI_ALERT
constexpr int IDC_ALERT_TEXT = 238;
constexpr int IDC_SET_DEPTH_EDIT = 1035;
constexpr int IDC_TIME_MODE = 1532;
constexpr int IDC_UP_DEPTH_MODE = 1533;
constexpr int IDC_DOWN_DEPTH_MODE = 1534;
constexpr int IDC_SET_DEPTH_ICON = 1585;
constexpr int IDC_RECORDING_MODE_TITLE = 1609;
constexpr int IDI_ALERT = 239;
constexpr int IDI_SET_DEPTH = 523;

// Main window: menu, commands and strings
constexpr int IDR_MAIN_MENU = 129;
constexpr int IDM_ABOUTBOX = 16;
constexpr int IDS_ABOUTBOX = 152;
constexpr int ID_CMD_ENTER = 1;
constexpr int ID_CMD_CALIBRATION = 90;
constexpr int ID_CMD_SET_PRINTER = 91;
constexpr int ID_CMD_AUTO_PRINT = 92;
constexpr int ID_CMD_OPEN = 100;
constexpr int ID_CMD_EXIT = 102;
constexpr int ID_CMD_FRENCH = 104;
constexpr int ID_CMD_ENGLISH = 105;
constexpr int ID_CMD_SONDE_IMPORT = 114;
constexpr int ID_CMD_PRINT = 115;
constexpr int ID_CMD_REMOVE_SONDE = 32772;
constexpr int ID_CMD_EXPORT_LAS = 32774;

// Depth panel, depth magnifier, tools box and single-value windows
constexpr int IDD_DEPHT_DLG = 155;
constexpr int IDD_BIG_DEPTH = 156;
constexpr int IDD_TOOLS_PROBE_DLG = 500;
constexpr int IDD_BIG_DATA = 523;
constexpr int IDC_DEPTH_READOUT = 1001;  // placeholder of the depth read-out
constexpr int IDC_DEPTH_CAPTION = 1002;
constexpr int IDC_SPEED_READOUT = 1003;  // placeholder of the speed read-out
constexpr int IDC_DEPTH_UNIT = 1027;
constexpr int IDC_SPEED_UNIT = 1028;
constexpr int IDC_DEPTH_RESET = 1032;
constexpr int IDC_MODEL_COMBO = 1033;
constexpr int IDC_RECORDING_MODE = 1034;
constexpr int IDC_MAGNIFIER = 1035;
constexpr int IDC_SCALE_COMBO = 1528;
constexpr int IDC_PRESET1 = 1549;
constexpr int IDC_PRESET2 = 1555;
constexpr int IDC_PRESET3 = 1551;
constexpr int IDC_PRESET4 = 1552;
constexpr int IDC_PRESET5 = 1554;
constexpr int IDC_PRESET6 = 1550;
constexpr int IDC_DEPTH_REFERENCE = 1585;
constexpr int IDC_RAW_VALUE1 = 1037;         // 1037..1042, channels 1..6
constexpr int IDC_CALIBRATED_VALUE1 = 1043;  // 1043..1048, channels 1..6
constexpr int IDC_CHANNEL_NAME1 = 1049;      // then 1051..1055
constexpr int IDC_TOOL_ID_VALUE = 1050;
constexpr int IDC_SLOT_VALUE = 1056;
constexpr int IDC_CHANNEL_UNIT1 = 1176;      // 1176..1181, channels 1..6
constexpr int IDC_TOOLS_LABEL1 = 1410;       // 1410..1414, the small-font labels
constexpr int IDC_BIG_DATA_READOUT = 1582;   // placeholder of the read-out
constexpr int IDC_BIG_DATA_TITLE = 1583;
constexpr int IDC_FAST_UPDATE = 1584;
constexpr int IDI_DEPTH_RESET = 226;
constexpr int IDI_BIG_DATA = 230;
constexpr int IDI_DEPTH_WITHOUT_OFFSET = 524;
constexpr int IDI_MAGNIFIER = 536;
constexpr int IDI_RECORDING_MODE = 538;

// LAS 2.0 export
constexpr int IDD_LAS_EXPORT = 166;
constexpr int IDC_LAS_CALIBRATION = 1528;
constexpr int IDC_LAS_REVERSE = 1584;
constexpr int IDC_LAS_INPUT_FILE = 1591;
constexpr int IDC_LAS_OUTPUT_FILE = 1592;
constexpr int IDC_LAS_SELECT_INPUT = 1593;
constexpr int IDC_LAS_SELECT_OUTPUT = 1594;
constexpr int IDC_LAS_FROM = 1595;
constexpr int IDC_LAS_TO = 1596;
constexpr int IDC_LAS_SELECT_CAL = 1597;
constexpr int IDC_LAS_CHANNEL1 = 1599;  // 1599..1604, channels 1..6
constexpr int IDC_LAS_INTERVAL = 1605;
constexpr int IDC_LAS_CAL_FILE = 1606;
constexpr int IDC_LAS_START = 1607;
constexpr int IDC_LAS_CAL1 = 1608;      // 1608..1613, channels 1..6
constexpr int IDI_LAS_EXPORT = 531;

// Display options: the channel grid, the options window and the colour chooser
constexpr int IDD_SET_CHANNEL = 505;
constexpr int IDD_COLOR_PEN = 506;
constexpr int IDC_OPT_REVERSE = 1513;
constexpr int IDC_OPT_FILTER = 1514;
constexpr int IDC_OPT_FILTER_WIDTH = 1515;
constexpr int IDC_OPT_FILTER_SPIN = 1516;
constexpr int IDC_OPT_MINIMUM = 1517;
constexpr int IDC_OPT_MAXIMUM = 1518;
constexpr int IDC_OPT_SWATCH = 1519;
constexpr int IDC_OPT_COLOR = 1520;
constexpr int IDC_OPT_CALIBRATE = 1521;
constexpr int IDC_OPT_SCALE_GROUP = 1522;
constexpr int IDC_OPT_MINIMUM_SPIN = 1523;
constexpr int IDC_OPT_MAXIMUM_SPIN = 1524;
constexpr int IDC_OPT_TITLE = 1525;
constexpr int IDC_OPT_UNIT = 1527;
constexpr int IDC_OPT_COLS_SPIN = 1528;
constexpr int IDC_OPT_COLS = 1531;
constexpr int IDC_OPT_NAME_LABEL = 1550;
constexpr int IDC_OPT_WRAP = 1584;
constexpr int IDC_OPT_SHADE_NONE = 1587;
constexpr int IDC_OPT_SHADE_LEFT = 1588;
constexpr int IDC_OPT_SHADE_RIGHT = 1589;
constexpr int IDC_OPT_CAL = 1590;
constexpr int IDC_OPT_SET = 1182;
constexpr int IDC_OPT_GRID = 1701;
constexpr int ID_CMD_ADD_CHANNEL1 = 107;  // 107..112, one per hidden channel offered
constexpr int ID_CMD_REMOVE_CHANNEL = 113;
// The colour chooser's twenty cells, four rows of five.
constexpr int IDC_PEN_CELLS[20] = {1521, 1547, 1548, 1549, 1550, 1567, 1568, 1569, 1570, 1571,
                                   1572, 1573, 1574, 1575, 1576, 1577, 1578, 1579, 1580, 1581};

// Calibration dialog and about box
constexpr int IDD_ABOUTBOX = 151;
constexpr int IDC_ABOUT_OS = 1031;
constexpr int IDC_ABOUT_SERIAL = 1403;
constexpr int IDC_ABOUT_VERSION = 1610;
constexpr int IDC_ABOUT_NOTICE = 1611;
constexpr int IDD_CALIBRATION = 513;
constexpr int IDC_CAL_FILE = 513;
constexpr int IDC_CAL_UNIT = 1512;
constexpr int IDC_CAL_CHANNEL = 1538;
constexpr int IDC_CAL_SONDE_TITLE = 1539;
constexpr int IDC_CAL_NAME = 1540;
constexpr int IDC_CAL_LOAD = 1542;
constexpr int IDC_CAL_COEFFICIENT0 = 1543;  // 1543..1546, coefficients 0..3
constexpr int IDC_CAL_SAVE = 1547;
constexpr int IDC_CAL_SET = 1548;
constexpr int IDC_ABOUT_ICON = 1612;
// Logger Setup sheet, its winch and probe pages
constexpr int IDD_LOGGER_SETUP = 501;
constexpr int IDD_WINCH_PAGE = 502;
constexpr int IDD_PROBE_PAGE = 503;
constexpr int IDC_SETUP_TAB = 1200;
constexpr int IDC_PAGE_SET = 1182;            // "&Set" of every page
constexpr int IDC_WINCH_NORMAL = 1202;
constexpr int IDC_WINCH_RESOLUTION = 1204;
constexpr int IDC_WINCH_RESOLUTION_SPIN = 1445;
constexpr int IDC_WINCH_CIRCUMFERENCE = 1205;
constexpr int IDC_WINCH_CIRCUMFERENCE_SPIN = 1447;
constexpr int IDC_WINCH_CABLE_TYPE = 1206;
constexpr int IDC_PROBE_VOLTAGE = 1142;
constexpr int IDC_PROBE_VOLTAGE_SPIN = 1448;
constexpr int IDC_PROBE_TIME = 1143;
constexpr int IDC_PROBE_TIME_SPIN = 1449;
constexpr int IDC_PROBE_DEPTH = 1144;
constexpr int IDC_PROBE_DEPTH_SPIN = 1450;
constexpr int IDC_PROBE_TIME_ECHO = 1612;
constexpr int IDC_PROBE_DEPTH_ECHO = 1613;

// Communication page and its auto check
constexpr int IDD_COMM_PAGE = 504;
constexpr int IDD_CHECK_COMM = 521;
constexpr int IDC_COMM_SET = 1182;
constexpr int IDC_COMM_CHECK = 1183;
constexpr int IDC_COMM_DRIVE = 1211;
constexpr int IDC_COMM_GAIN = 1213;
constexpr int IDC_COMM_DRIVE_SPIN = 1443;
constexpr int IDC_COMM_GAIN_SPIN = 1446;
constexpr int IDC_LED_DATA_VALID = 1301;
constexpr int IDC_LED_NO_RESP = 1302;
constexpr int IDC_LED_INT_RESP = 1303;
constexpr int IDC_LED_CHECKSUM = 1304;
constexpr int IDC_LED_PARAMETER_UPDATE = 1305;
constexpr int IDC_LED_SETTING_UPDATE = 1306;
constexpr int IDC_LED_FRAME_LENGTH = 1307;
constexpr int IDC_CHECK_DRIVE = 1555;
constexpr int IDC_CHECK_SELECTED_DRIVE = 1556;
constexpr int IDC_CHECK_GAIN = 1557;
constexpr int IDC_CHECK_SELECTED_GAIN = 1558;
constexpr int IDC_CHECK_STATUS = 1561;
constexpr int IDI_LED_RED = 215;
constexpr int IDI_LED_GREEN = IDI_SONDE_ON;  // the status bar's powered sonde
constexpr int IDI_LED_GREY = 217;
constexpr int IDI_LED_OFF = IDI_SONDE_OFF;
constexpr int IDI_LED_YELLOW_OFF = 228;
constexpr int IDI_LED_YELLOW = 229;
