#pragma once
// Ids of the program's templates, controls, icons and strings.

// Dialog templates
constexpr int IDD_VARNOLOGGER_KVX_DIALOG = 154;
constexpr int IDD_END_PROCESS = 520;

// Controls
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
