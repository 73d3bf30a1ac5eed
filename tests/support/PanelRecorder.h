#pragma once
// Records logs as the operator does: the main window linked to the logger
// emulator, the sonde switched on with the probe panel's power button, then
// for each log the record button (recording mode, file name, header editor)
// and the stop button. The caller answers the new-log file chooser with the
// data file's path and sets the program folder first.
#include <QAbstractButton>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/VarnoLogger_KVXApp.h"
#include "probe/LogRecord.h"
#include "probe/PowerDlg.h"
#include "res/Resource.h"
#include "support/LinkedMainWindow.h"
#include "support/ModalDialogs.h"

class PanelRecorder {
public:
    // `folder` is the program folder in use; `editTool` may change the default
    // sonde's tool file text before the main window loads it.
    PanelRecorder(const std::filesystem::path& folder, const std::vector<std::string>& emulatorOptions,
                  const std::function<void(std::string&)>& editTool = {})
        : m_link(folder, editTool)
    {
        if (!m_link.Start(emulatorOptions))
            return;
        m_powered = WaitFor([&] { return Button(IDC_POWER)->isEnabled(); }, 5000) && PowerOn();
    }

    // Linked and the sonde switched on.
    bool Ready() const { return m_powered; }

    // One log in the mode of the recording-mode dialog's radio button, stopped
    // once the data file holds `records` records; false when it did not.
    bool Record(int modeButton, size_t records)
    {
        if (!m_powered || !WaitFor([&] { return Button(IDC_RECORD)->isEnabled(); }, 5000))
            return false;
        ClickWhenModal({modeButton, IDOK});
        ClickWhenModal({IDC_HDR_SAVE});
        Button(IDC_RECORD)->click();
        if (theApp.m_pRunState->recording != 1)
            return false;
        const std::filesystem::path data = theApp.m_pPathSettings->DataFile;
        const bool filled = WaitFor(
            [&] { return std::filesystem::exists(data) && std::filesystem::file_size(data) >= records * sizeof(LogRecord); },
            20000);
        Button(IDC_STOP)->click();
        return filled && theApp.m_pRunState->recording == 0;
    }

private:
    CPowerDlg& Panel() { return m_link.Window().m_PowerDlg; }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Panel().GetDlgItem(id)->GetSafeHwnd()); }

    // The power button, and the probe's confirmation of the order.
    bool PowerOn()
    {
        Button(IDC_POWER)->click();
        return WaitFor([&] { return !Panel().IsOrderPending() && Panel().IsSondeOn(); }, 5000);
    }

    LinkedMainWindow m_link;
    bool m_powered = false;
};
