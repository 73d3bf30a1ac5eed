#include "platform/DialogTemplate.h"
#include "res/Resource.h"

namespace {

std::vector<DialogTemplate>& Templates()
{
    static std::vector<DialogTemplate> templates = {
        {IDD_VARNOLOGGER_KVX_DIALOG, "VarnoLogger KVX", 518, 324,
         DS_CAPTION | DS_SYSMENU | DS_VISIBLE | DS_SIZEBOX | DS_MINMAXBOX,
         {{ControlKind::EtchedFrame, IDC_TRACK_FRAME, "", 7, 51, 505, 259}}},
        {IDD_POWER_DLG, "", 300, 62, DS_CHILD,
         {{ControlKind::StaticCentre, IDC_CAPTION_STATIC, "", 0, 0, 300, 9},
          {ControlKind::PushButton, IDC_POWER, "", 2, 11, 20, 20},
          {ControlKind::PushButton, IDC_RECORD, "", 24, 11, 20, 20},
          {ControlKind::PushButton, IDC_PAUSE, "", 46, 11, 20, 20},
          {ControlKind::PushButton, IDC_PLAY, "", 68, 11, 20, 20},
          {ControlKind::PushButton, IDC_STOP, "", 90, 11, 20, 20},
          {ControlKind::PushButton, IDC_RESET, "", 112, 11, 20, 20},
          {ControlKind::PushButton, IDC_TOOLS_BOX, "", 138, 11, 20, 20},
          {ControlKind::PushButton, IDC_CURVE_PARAMETERS, "", 160, 11, 20, 20},
          {ControlKind::PushButton, IDC_LOGGER_SETUP, "", 182, 11, 20, 20},
          {ControlKind::Static, IDC_VOLTAGE, "000", 206, 11, 30, 10},
          {ControlKind::Static, -1, "V", 238, 12, 12, 8},
          {ControlKind::Static, IDC_CURRENT, "000", 206, 22, 30, 10},
          {ControlKind::Static, -1, "mA", 238, 23, 12, 8},
          {ControlKind::Static, -1, "Valid", 252, 12, 18, 8},
          {ControlKind::Static, IDC_VALID_COUNT, "000", 270, 11, 28, 10},
          {ControlKind::Static, -1, "Error", 252, 23, 18, 8},
          {ControlKind::Static, IDC_ERROR_COUNT, "000", 270, 22, 28, 10},
          {ControlKind::Trackbar, IDC_SPEED_SLIDER, "", 2, 33, 130, 13},
          {ControlKind::Static, IDC_RECORD_TIME, "00.00.00", 134, 33, 50, 12},
          {ControlKind::Static, IDC_STATUS_LINE, "", 0, 48, 300, 12}}},
        {IDD_END_PROCESS, "VarnoLogger", 269, 53, DS_CAPTION | DS_CENTER,
         {{ControlKind::StaticCentre, IDC_END_MESSAGE, "", 31, 16, 202, 19}}},
    };
    return templates;
}

}  // namespace

void RegisterDialogTemplate(const DialogTemplate& tpl)
{
    if (FindDialogTemplate(tpl.id) == nullptr)
        Templates().push_back(tpl);
}

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& tpl : Templates()) {
        if (tpl.id == id)
            return &tpl;
    }
    return nullptr;
}
