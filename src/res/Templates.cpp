#include "platform/DialogTemplate.h"
#include "res/Resource.h"

namespace {

std::vector<DialogTemplate>& Templates()
{
    static std::vector<DialogTemplate> templates = {
        {IDD_VARNOLOGGER_KVX_DIALOG, "VarnoLogger KVX", 518, 324,
         DS_CAPTION | DS_SYSMENU | DS_VISIBLE | DS_SIZEBOX | DS_MINMAXBOX,
         {{ControlKind::EtchedFrame, IDC_TRACK_FRAME, "", 7, 51, 505, 259}}},
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
