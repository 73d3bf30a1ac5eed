#include "setup/PSetChannelDlg.h"

#include <QIcon>
#include <QWidget>
#include <algorithm>
#include <climits>

#include "core/Palette.h"
#include "core/Preferences.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "display/ScopeTrack.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/DoubleClick.h"
#include "platform/FramePosition.h"
#include "platform/Placement.h"
#include "platform/WindowEvents.h"
#include "res/Icons.h"
#include "res/Resource.h"
#include "setup/ColorPen.h"

namespace {

constexpr COLORREF kStaticText = 0xFF3232;
constexpr COLORREF kStaticBackground = 0xFFFFFF;
constexpr int kEditChars = 6;
constexpr int kMaxFilterWidth = 51;
constexpr int kMaxCols = 50;
constexpr UINT kCalTimerMs = 200;
constexpr LONG kBelowMainTop = 170;
// Curve tracks 0, 1, 2 are numbered 0, 2, 3 in the files.
constexpr int kTrackFileNumbers[ToolRecord::kTracks] = {0, 2, 3};
constexpr const char* kTrackSections[ToolRecord::kTracks] = {"Track0", "Track2", "Track3"};
constexpr int kChannelControls[] = {
    IDC_OPT_MINIMUM, IDC_OPT_MINIMUM_SPIN, IDC_OPT_MAXIMUM, IDC_OPT_MAXIMUM_SPIN, IDC_OPT_COLOR,
    IDC_OPT_SET, IDC_OPT_FILTER, IDC_OPT_FILTER_WIDTH, IDC_OPT_FILTER_SPIN, IDC_OPT_COLS,
    IDC_OPT_COLS_SPIN, IDC_OPT_SHADE_NONE, IDC_OPT_SHADE_LEFT, IDC_OPT_SHADE_RIGHT, IDC_OPT_WRAP};

std::string IntText(int value) { return std::to_string(value); }

// A stored range may lie at the ends of int: its steps stop there.
int Plus(int value, int step)
{
    return int(std::clamp<long long>(static_cast<long long>(value) + step, INT_MIN, INT_MAX));
}

}  // namespace

CPSetChannelDlg::CPSetChannelDlg() : CDialogExt(IDD_SET_CHANNEL, nullptr) {}

// The filter calls back into this object: it must not outlive it.
CPSetChannelDlg::~CPSetChannelDlg() { delete m_pActivation.data(); }

void CPSetChannelDlg::SetOwner(CWnd* mainWindow, CPreferences* prefs, CScopeTrack* tracks)
{
    m_pMainWnd = mainWindow;
    m_pPreferences = prefs;
    m_pTracks = tracks;
}

void CPSetChannelDlg::DoDataExchange(CDataExchange* dx)
{
    CDialogExt::DoDataExchange(dx);
    DDX_Control(dx, IDC_OPT_MINIMUM, m_editMinimum);
    DDX_Control(dx, IDC_OPT_FILTER_WIDTH, m_editFilterWidth);
    DDX_Control(dx, IDC_OPT_MAXIMUM, m_editMaximum);
    DDX_Control(dx, IDC_OPT_COLS, m_editCols);
    DDX_Control(dx, IDC_OPT_FILTER, m_checkFilter);
    DDX_Control(dx, IDC_OPT_REVERSE, m_checkReverse);
    DDX_Control(dx, IDC_OPT_CALIBRATE, m_checkCalibrate);
    DDX_Control(dx, IDC_OPT_SET, m_buttonSet);
    DDX_Control(dx, IDC_OPT_FILTER_SPIN, m_spinFilterWidth);
    DDX_Control(dx, IDC_OPT_MINIMUM_SPIN, m_spinMinimum);
    DDX_Control(dx, IDC_OPT_MAXIMUM_SPIN, m_spinMaximum);
    DDX_Control(dx, IDC_OPT_COLS_SPIN, m_spinCols);
    DDX_Control(dx, IDC_OPT_GRID, m_Grid);
}

BOOL CPSetChannelDlg::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_pToolRecord = theApp.m_pToolRecord;
    m_editMinimum.SetLimitText(kEditChars);
    m_editMaximum.SetLimitText(kEditChars);
    const RECT own = GetWindowRect();
    m_nWidth = own.right - own.left;
    m_nHeight = own.bottom - own.top;

    if (m_pPreferences != nullptr)
        m_pPreferences->LoadTool();
    m_bStructureChanged = false;
    GetSafeHwnd()->setWindowIcon(QIcon(*LoadIconById(IDI_CURVE_PARAMETERS, 32)));
    SetWindowText("Display properties");

    auto bind = [this](CColorStaticST& label, int id) {
        if (CWnd* item = GetDlgItem(id))
            label.Attach(item->GetSafeHwnd());
    };
    bind(m_stSwatch, IDC_OPT_SWATCH);
    m_stSwatch.SetBkColor(PaletteColour(0));
    OnDoubleClick(m_stSwatch.GetSafeHwnd(), [this] { OnColor(); });
    std::fill(std::begin(m_menuChannels), std::end(m_menuChannels), -1);
    if (CWnd* group = GetDlgItem(IDC_OPT_SCALE_GROUP))
        group->SetFont(&theApp.m_fontSmall);
    bind(m_stTitle, IDC_OPT_TITLE);
    bind(m_stUnit, IDC_OPT_UNIT);
    for (CColorStaticST* label : {&m_stTitle, &m_stUnit}) {
        label->SetTextColor(kStaticText);
        label->SetBkColor(kStaticBackground);
    }
    // Each spin's position names it.
    for (CScrollBar* spin : {&m_spinFilterWidth, &m_spinMinimum, &m_spinMaximum, &m_spinCols}) {
        const int id = spin->GetDlgCtrlID();
        spin->SetScrollRange(id, id);
        spin->SetScrollPos(id);
    }
    // The desktop may show a window without activating it: a shown window is
    // refilled too, never left on a grid from before it was hidden.
    m_pActivation = OnWindowEvents(GetSafeHwnd(), {QEvent::Show, QEvent::WindowActivate, QEvent::WindowDeactivate},
                                   [this] { OnActivate(); });

    ClearSelection();
    RefreshGrid();
    return TRUE;
}

void CPSetChannelDlg::RestorePlacement()
{
    WindowPlacement placement = theApp.m_pPlacementStore->placements[kPlacementDisplayOptions];
    if (placement.length >= 1 && placement.length <= 999) {
        RECT& normal = placement.rcNormalPosition;
        normal.right = normal.left + m_nWidth;
        normal.bottom = normal.top + m_nHeight;
        SetWindowPlacement(*this, placement);
        return;
    }
    const RECT main = m_pMainWnd != nullptr ? m_pMainWnd->GetWindowRect() : theApp.m_rcMainWindow;
    MoveFrameTo(*this, main.left + (main.right - m_nWidth - main.left) / 2, main.top + kBelowMainTop);
}

void CPSetChannelDlg::RefreshGrid()
{
    if (theApp.m_pRunState->fileLoaded) {
        SetWindowText("Display properties");
    } else {
        const int sonde = theApp.m_pLoggerSettings->SelectedSonde;
        if (sonde >= 0 && sonde <= SondeList::kMaxSondes) {
            const SondeEntry& entry = theApp.m_pSondeList->entries[sonde];
            SetWindowText("Sonde selected : " + entry.Ref + " - " + entry.Serial + " - " + entry.Product);
        }
    }
    std::list<CCellData> cells;
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            CCellData cell;
            cell.id = -1;
            cell.row = r;
            cell.col = c;
            for (int i = 0; i < kChannels; ++i) {
                const ChannelRecord& ch = Channel(i);
                if (ch.Visible == 1 && ch.DisplayTrack == c && ch.LogicalCh == r + 1) {
                    cell.id = i;
                    cell.text = ch.Title;
                    break;
                }
            }
            cells.push_back(cell);
        }
    }
    m_Grid.SetCells(cells, kRows, TRUE);
}

ChannelRecord& CPSetChannelDlg::Channel(int channel) { return m_pToolRecord->channels[channel]; }

int& CPSetChannelDlg::TrackCols(int channel)
{
    return m_pToolRecord->Cols[std::clamp(Channel(channel).DisplayTrack, 0, kColumns - 1)];
}

void CPSetChannelDlg::SetInt(int id, int value) { SetDlgItemText(id, IntText(value)); }

void CPSetChannelDlg::EnableChannelControls(bool enable)
{
    for (int id : kChannelControls) {
        if (CWnd* item = GetDlgItem(id))
            item->EnableWindow(enable);
    }
}

void CPSetChannelDlg::ClearSelection()
{
    m_nSelected = -1;
    SetDlgItemText(IDC_OPT_NAME_LABEL, "Name :");
    m_stTitle.SetWindowText("no channel selected");
    m_stUnit.SetWindowText("-");
    SetInt(IDC_OPT_MINIMUM, 0);
    SetInt(IDC_OPT_MAXIMUM, 65536);
    SetInt(IDC_OPT_FILTER_WIDTH, 0);
    for (int id : {IDC_OPT_FILTER, IDC_OPT_REVERSE, IDC_OPT_CALIBRATE, IDC_OPT_WRAP, IDC_OPT_SHADE_LEFT,
                   IDC_OPT_SHADE_RIGHT})
        CheckDlgButton(id, BST_UNCHECKED);
    CheckDlgButton(IDC_OPT_SHADE_NONE, BST_CHECKED);
    m_stSwatch.SetBkColor(PaletteColour(0));
    m_stSwatch.ShowWindow(SW_HIDE);
    EnableChannelControls(false);
    m_stTitle.SetBkColor(GetSysColor(COLOR_BTNFACE));
    m_stUnit.SetBkColor(GetSysColor(COLOR_BTNFACE));
}

void CPSetChannelDlg::SelectChannel(int channel)
{
    const ChannelRecord& ch = Channel(channel);
    SetDlgItemText(IDC_OPT_NAME_LABEL, "Name CH" + IntText(channel + 1) + " : ");
    m_stTitle.SetWindowText(ch.Title);
    m_stUnit.SetWindowText(ch.Unit);
    SetInt(IDC_OPT_MINIMUM, ch.RangeLeft);
    SetInt(IDC_OPT_MAXIMUM, ch.RangeRight);
    SetInt(IDC_OPT_FILTER_WIDTH, ch.FilterWidth);
    SetInt(IDC_OPT_COLS, TrackCols(channel));
    CheckDlgButton(IDC_OPT_FILTER, ch.FilterFlag ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_OPT_REVERSE, ch.InvertScale ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_OPT_CALIBRATE, ch.CalFlag ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_OPT_WRAP, ch.wraping ? BST_CHECKED : BST_UNCHECKED);
    const int radio = ch.shading == 1 ? IDC_OPT_SHADE_LEFT : ch.shading == 2 ? IDC_OPT_SHADE_RIGHT : IDC_OPT_SHADE_NONE;
    CheckDlgButton(radio, BST_CHECKED);
    m_stSwatch.SetBkColor(PaletteColour(ch.LineColour));
    m_stSwatch.ShowWindow(SW_SHOW);
    EnableChannelControls(true);
    m_stTitle.SetBkColor(GetSysColor(COLOR_HIGHLIGHT));
    m_stUnit.SetBkColor(GetSysColor(COLOR_HIGHLIGHT));
    m_nSelected = channel;
}

BOOL CPSetChannelDlg::OnNotify(WPARAM, LPARAM lParam, LRESULT*)
{
    const auto* notify = reinterpret_cast<const NMGRID*>(lParam);
    if (notify == nullptr || int(notify->hdr.idFrom) != IDC_OPT_GRID)
        return FALSE;
    if (notify->hdr.code == NM_CLICK)
        OnGridClick(notify->cell.row, notify->cell.col, notify->cell.id);
    else if (notify->hdr.code == NM_RCLICK)
        OnGridRClick(notify->cell.row, notify->cell.col, notify->cursor);
    return TRUE;
}

void CPSetChannelDlg::OnGridClick(int row, int col, int channel)
{
    m_nClickedRow = row + 1;
    m_nClickedCol = col;
    ClearSelection();
    if (channel >= 0 && channel < kChannels)
        SelectChannel(channel);
}

void CPSetChannelDlg::OnGridRClick(int row, int col, POINT screen)
{
    m_nClickedRow = row + 1;
    m_nClickedCol = col;
    CMenu menu;
    menu.CreatePopupMenu();
    CMenu add;
    add.CreatePopupMenu();
    std::fill(std::begin(m_menuChannels), std::end(m_menuChannels), -1);
    int items = 0;
    for (int i = 0; i < kChannels; ++i) {
        if (Channel(i).Visible)
            continue;
        add.AppendMenu(MF_STRING, UINT_PTR(ID_CMD_ADD_CHANNEL1 + items), Channel(i).Title);
        m_menuChannels[items++] = i;
    }
    if (items > 0)
        menu.AppendMenu(MF_POPUP, add, "Add Channel");
    if (m_pToolRecord->NumberOfChannels > items)
        menu.AppendMenu(MF_STRING, ID_CMD_REMOVE_CHANNEL, "Remove Channel");
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, this);
}

void CPSetChannelDlg::OnAddChannel(int item)
{
    const int channel = m_menuChannels[item];
    if (m_nClickedRow == 0 || channel < 0)
        return;
    // The first position of the column that no visible channel holds.
    int position = 0;
    for (int p = 1; p <= kRows && position == 0; ++p) {
        bool taken = false;
        for (int i = 0; i < kChannels; ++i)
            taken = taken || (Channel(i).Visible && Channel(i).DisplayTrack == m_nClickedCol && Channel(i).LogicalCh == p);
        if (!taken)
            position = p;
    }
    if (position == 0)
        return;
    ChannelRecord& ch = Channel(channel);
    ch.Visible = 1;
    ch.DisplayTrack = m_nClickedCol;
    ch.LogicalCh = position;
    m_bStructureChanged = true;
    RefreshGrid();
    ClearSelection();
    ReloadCurves();
}

void CPSetChannelDlg::OnRemoveChannel()
{
    int removedAt = 0;
    for (int i = 0; i < kChannels && removedAt == 0; ++i) {
        ChannelRecord& ch = Channel(i);
        if (!ch.Visible || ch.DisplayTrack != m_nClickedCol || ch.LogicalCh != m_nClickedRow)
            continue;
        removedAt = ch.LogicalCh;
        ch.Visible = 0;
        ch.DisplayTrack = 0;
        ch.LogicalCh = 0;
        m_nLastRemoved = i;
        ClearSelection();
        m_bStructureChanged = true;
    }
    // The channels below close the gap.
    for (int i = 0; i < kChannels && removedAt > 0; ++i) {
        ChannelRecord& ch = Channel(i);
        if (ch.Visible && ch.DisplayTrack == m_nClickedCol && ch.LogicalCh > removedAt)
            --ch.LogicalCh;
    }
    RefreshGrid();
    ReloadCurves();
}

BOOL CPSetChannelDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id >= ID_CMD_ADD_CHANNEL1 && id < ID_CMD_ADD_CHANNEL1 + kChannels) {
        OnAddChannel(id - ID_CMD_ADD_CHANNEL1);
        return TRUE;
    }
    if (code == EN_KILLFOCUS && (id == IDC_OPT_MINIMUM || id == IDC_OPT_MAXIMUM)) {
        OnRangeEdit(id);
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialogExt::OnCommand(wParam, lParam);
    switch (id) {
    case ID_CMD_REMOVE_CHANNEL: OnRemoveChannel(); return TRUE;
    case IDC_OPT_FILTER:
    case IDC_OPT_REVERSE:
    case IDC_OPT_CALIBRATE:
    case IDC_OPT_WRAP:
    case IDC_OPT_SHADE_NONE:
    case IDC_OPT_SHADE_LEFT:
    case IDC_OPT_SHADE_RIGHT: OnSettingClicked(id); return TRUE;
    case IDC_OPT_COLOR: OnColor(); return TRUE;
    case IDC_OPT_CAL: OnCalibration(); return TRUE;
    case IDC_OPT_SET: OnSet(); return TRUE;
    default: return CDialogExt::OnCommand(wParam, lParam);
    }
}

void CPSetChannelDlg::OnSettingClicked(int id)
{
    if (m_nSelected < 0)
        return;
    ChannelRecord& ch = Channel(m_nSelected);
    const std::uint8_t checked = IsDlgButtonChecked(id) == BST_CHECKED ? 1 : 0;
    switch (id) {
    case IDC_OPT_FILTER: ch.FilterFlag = checked; break;
    case IDC_OPT_REVERSE: ch.InvertScale = checked; break;
    case IDC_OPT_CALIBRATE: ch.CalFlag = checked; break;
    case IDC_OPT_WRAP: ch.wraping = checked; break;
    default:
        ch.shading = IsDlgButtonChecked(IDC_OPT_SHADE_LEFT) ? 1 : IsDlgButtonChecked(IDC_OPT_SHADE_RIGHT) ? 2 : 0;
        break;
    }
    WriteChannel(m_nSelected);
    ReloadCurves();
    // The filtered curve is computed again from the settings just loaded.
    if ((id == IDC_OPT_FILTER || id == IDC_OPT_CALIBRATE) && m_pTracks != nullptr)
        m_pTracks->FilterChannel(m_nSelected);
}

void CPSetChannelDlg::OnColor()
{
    if (m_nSelected < 0)
        return;
    ChannelRecord& ch = Channel(m_nSelected);
    int index = ch.LineColour;
    CColorPen chooser(&index, this);
    chooser.DoModal();
    ch.LineColour = index;
    m_stSwatch.SetBkColor(PaletteColour(index));
    WriteChannel(m_nSelected);
    ReloadCurves();
}

void CPSetChannelDlg::OnCalibration()
{
    if (m_pMainWnd != nullptr)
        m_pMainWnd->OnCommand(ID_CMD_CALIBRATION, 0);
    RefreshGrid();
}

// The filter width and the columns are taken at the end of their spin's
// scroll; a text that is no number there is told once: the stored value is
// shown again.
bool CPSetChannelDlg::OtherEditsHoldIntegers()
{
    if (m_nSelected < 0)
        return true;
    int value = 0;
    return GetDlgItemIntOrShow(IDC_OPT_FILTER_WIDTH, &value, Channel(m_nSelected).FilterWidth) &&
           GetDlgItemIntOrShow(IDC_OPT_COLS, &value, TrackCols(m_nSelected));
}

void CPSetChannelDlg::OnOK()
{
    if (!OtherEditsHoldIntegers())
        return;
    CWnd* focus = GetFocus();
    const int id = focus != nullptr ? focus->GetDlgCtrlID() : 0;
    if (id == IDC_OPT_MINIMUM || id == IDC_OPT_MAXIMUM)
        OnRangeEdit(id);
}

void CPSetChannelDlg::OnSet()
{
    if (!OtherEditsHoldIntegers())
        return;
    m_editMinimum.SetFocus();
    OnRangeEdit(IDC_OPT_MINIMUM);
    m_editMaximum.SetFocus();
    OnRangeEdit(IDC_OPT_MAXIMUM);
    if (m_nSelected >= 0)
        WriteChannel(m_nSelected);
}

void CPSetChannelDlg::OnRangeEdit(int id)
{
    if (m_nSelected < 0)
        return;
    ChannelRecord& ch = Channel(m_nSelected);
    int minimum = 0;
    int maximum = 0;
    if (!GetDlgItemIntOrShow(IDC_OPT_MINIMUM, &minimum, ch.RangeLeft) ||
        !GetDlgItemIntOrShow(IDC_OPT_MAXIMUM, &maximum, ch.RangeRight))
        return;
    if (Plus(minimum, 1) > maximum) {
        SetInt(IDC_OPT_MAXIMUM, Plus(minimum, 1));
        ch.RangeLeft = minimum;
        ch.RangeRight = Plus(minimum, 1);
    } else if (id == IDC_OPT_MINIMUM) {
        ch.RangeLeft = minimum;
    } else {
        ch.RangeRight = maximum;
    }
    WriteChannel(m_nSelected);
    ReloadCurves();
}

void CPSetChannelDlg::OnVScroll(UINT code, UINT, CScrollBar* bar)
{
    if (m_nSelected < 0 || bar == nullptr)
        return;
    const ChannelRecord& ch = Channel(m_nSelected);
    int width = 0, maximum = 0, minimum = 0, cols = 0;
    // A text that is no number is told and the stored value shown again, so
    // that the end of the scroll takes that one and tells nothing more.
    if (!GetDlgItemIntOrShow(IDC_OPT_FILTER_WIDTH, &width, ch.FilterWidth) ||
        !GetDlgItemIntOrShow(IDC_OPT_MAXIMUM, &maximum, ch.RangeRight) ||
        !GetDlgItemIntOrShow(IDC_OPT_MINIMUM, &minimum, ch.RangeLeft) ||
        !GetDlgItemIntOrShow(IDC_OPT_COLS, &cols, TrackCols(m_nSelected)))
        return;
    switch (bar->GetScrollPos()) {
    case IDC_OPT_FILTER_SPIN: ScrollFilterWidth(code, width); break;
    case IDC_OPT_MINIMUM_SPIN: ScrollMinimum(code, minimum, maximum); break;
    case IDC_OPT_MAXIMUM_SPIN: ScrollMaximum(code, minimum, maximum); break;
    case IDC_OPT_COLS_SPIN: ScrollCols(code, cols); break;
    default: break;
    }
}

int CPSetChannelDlg::Step(UINT code, int value, int by, int min, int max)
{
    return std::clamp(code == SB_LINEUP ? value + by : value - by, min, max);
}

void CPSetChannelDlg::ScrollFilterWidth(UINT code, int width)
{
    if (code == SB_LINEUP || code == SB_LINEDOWN) {
        SetInt(IDC_OPT_FILTER_WIDTH, Step(code, width, 2, 1, kMaxFilterWidth));
    } else if (code == SB_ENDSCROLL) {
        Channel(m_nSelected).FilterWidth = width;
        WriteChannel(m_nSelected);
        ReloadCurves();
        if (m_pTracks != nullptr)
            m_pTracks->FilterChannel(m_nSelected);
    }
}

void CPSetChannelDlg::ScrollMinimum(UINT code, int minimum, int maximum)
{
    ChannelRecord& ch = Channel(m_nSelected);
    if (code == SB_LINEUP) {
        SetInt(IDC_OPT_MINIMUM, Plus(minimum, 1));
        if (Plus(minimum, 2) > maximum) {
            SetInt(IDC_OPT_MAXIMUM, Plus(minimum, 2));
            ch.RangeRight = Plus(minimum, 2);
        }
    } else if (code == SB_LINEDOWN) {
        SetInt(IDC_OPT_MINIMUM, Plus(minimum, -1));
    } else if (code == SB_ENDSCROLL) {
        ch.RangeLeft = minimum;
        WriteChannel(m_nSelected);
        ReloadCurves();
    }
}

void CPSetChannelDlg::ScrollMaximum(UINT code, int minimum, int maximum)
{
    if (code == SB_LINEUP) {
        SetInt(IDC_OPT_MAXIMUM, Plus(maximum, 1));
    } else if (code == SB_LINEDOWN) {
        SetInt(IDC_OPT_MAXIMUM, std::max(Plus(maximum, -1), Plus(minimum, 1)));
    } else if (code == SB_ENDSCROLL) {
        Channel(m_nSelected).RangeRight = maximum;
        WriteChannel(m_nSelected);
        ReloadCurves();
    }
}

void CPSetChannelDlg::ScrollCols(UINT code, int cols)
{
    if (code == SB_LINEUP || code == SB_LINEDOWN) {
        SetInt(IDC_OPT_COLS, Step(code, cols, 2, 0, kMaxCols));
    } else if (code == SB_ENDSCROLL) {
        TrackCols(m_nSelected) = cols;
        WriteChannel(m_nSelected);
        ReloadCurves();
    }
}

void CPSetChannelDlg::ReloadCurves()
{
    if (m_pTracks != nullptr)
        m_pTracks->LoadChannelSettings(*m_pToolRecord);
}

std::vector<std::string> CPSetChannelDlg::TargetFiles() const
{
    const RunState& run = *theApp.m_pRunState;
    const std::string header = theApp.m_pPathSettings->LastFile;
    if (run.fileLoaded)
        return {header};
    const int sonde = theApp.m_pLoggerSettings->SelectedSonde;
    if (sonde < 0 || sonde > SondeList::kMaxSondes)
        return run.recording ? std::vector<std::string>{header} : std::vector<std::string>{};
    const std::string tool = GetProgramFolder() + "Ressources/" + theApp.m_pSondeList->entries[sonde].TolFile + ".tol";
    if (run.recording)
        return {header, tool};
    return {tool};
}

void CPSetChannelDlg::WriteChannel(int channel)
{
    if (channel < 0 || channel >= kChannels)
        return;
    for (const std::string& file : TargetFiles())
        WriteChannelDisplayKeys(channel, file);
}

void CPSetChannelDlg::WriteAllChannels()
{
    for (int i = 0; i < kChannels; ++i)
        WriteChannel(i);
}

void CPSetChannelDlg::WriteChannelDisplayKeys(int channel, const std::string& file)
{
    if (m_pPreferences == nullptr)
        return;
    CPreferences& prefs = *m_pPreferences;
    const ChannelRecord& ch = Channel(channel);
    const std::string kept = prefs.GetPathName();
    prefs.SetPathName(file);
    const std::string section = "Channel" + IntText(channel);
    prefs.WriteBool(section, "Visible", ch.Visible);
    if (ch.Visible) {
        prefs.WriteInt(section, "DisplayTrack", kTrackFileNumbers[std::clamp(ch.DisplayTrack, 0, kColumns - 1)]);
        prefs.WriteInt(section, "LogicalCh", ch.LogicalCh);
        prefs.WriteInt(section, "LineColour", int(PaletteColour(ch.LineColour)));
        prefs.WriteInt(section, "RangeLeft", ch.RangeLeft);
        prefs.WriteInt(section, "RangeRight", ch.RangeRight);
        prefs.WriteBool(section, "FilterFlag", ch.FilterFlag);
        prefs.WriteInt(section, "FilterWidth", ch.FilterWidth);
        prefs.WriteBool(section, "CalFlag", ch.CalFlag);
        prefs.WriteBool(section, "wraping", ch.wraping);
        prefs.WriteInt(section, "shading", ch.shading);
        prefs.WriteBool(section, "InvertScale", !ch.InvertScale);
    }
    for (int t = 0; t < ToolRecord::kTracks; ++t)
        prefs.WriteInt(kTrackSections[t], "Cols", m_pToolRecord->Cols[t]);
    prefs.RestorePathName(kept);
}

void CPSetChannelDlg::OnCancel()
{
    if (m_bStructureChanged)
        WriteAllChannels();
    else
        WriteChannel(m_nSelected);
    m_bStructureChanged = false;
    theApp.m_pPlacementStore->placements[kPlacementDisplayOptions] = GetWindowPlacement(*this);
    ShowWindow(SW_HIDE);
}

void CPSetChannelDlg::OnActivate()
{
    if (theApp.m_bRefreshDisplayOptions.exchange(0)) {
        RefreshGrid();
        ClearSelection();
    }
    KillTimer(kCalTimer);
    SetTimer(kCalTimer, kCalTimerMs);
}

void CPSetChannelDlg::OnTimer(UINT_PTR id)
{
    if (id != kCalTimer)
        return;
    const RunState& run = *theApp.m_pRunState;
    const bool logBusy = run.fileLoaded || run.recording || run.recordPaused;
    if (CWnd* cal = GetDlgItem(IDC_OPT_CAL))
        cal->EnableWindow(m_nSelected >= 0 && !logBusy);
}
