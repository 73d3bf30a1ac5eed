#include "res/Resource.h"
#include "res/Templates.h"

namespace {

constexpr int kPageWidth = 300;
constexpr int kPageHeight = 190;
constexpr int kRow = 14;  // pitch of the label and edit rows

ControlTemplate Label(const char* text, int x, int y, int cx) { return {ControlKind::Static, -1, text, x, y + 2, cx, 8}; }
ControlTemplate Edit(int id, int x, int y, int cx) { return {ControlKind::Edit, id, "", x, y, cx, 12}; }
ControlTemplate Logo(int x, int y) { return {ControlKind::Static, IDC_HDR_LOGO, "", x, y, 90, 72}; }

// Rows of a label and an edit, from (x, y) down.
struct Row {
    const char* label;
    int id;
};
void AddRows(std::vector<ControlTemplate>& controls, std::initializer_list<Row> rows, int x, int y,
             int labelWidth, int editWidth)
{
    for (const Row& row : rows) {
        controls.push_back(Label(row.label, x, y, labelWidth));
        controls.push_back(Edit(row.id, x + labelWidth + 2, y, editWidth));
        y += kRow;
    }
}

DialogTemplate Page(int id, std::vector<ControlTemplate> controls)
{
    return {id, "", kPageWidth, kPageHeight, DS_CHILD, std::move(controls)};
}

DialogTemplate ClientPage()
{
    std::vector<ControlTemplate> c;
    AddRows(c,
            {{"&Project Heading", IDC_HDR_PROJECT},
             {"Main Log &Title", IDC_HDR_LOG_NAME},
             {"C&ompany", IDC_HDR_COMPANY},
             {"&Well", IDC_HDR_WELL},
             {"&Field", IDC_HDR_FIELD},
             {"Co&untry", IDC_HDR_COUNTRY},
             {"St&ate", IDC_HDR_STATE},
             {"&Latitude", IDC_HDR_LATITUDE},
             {"Lo&ngitude", IDC_HDR_LONGITUDE}},
            4, 4, 62, 130);
    c.push_back({ControlKind::GroupBox, -1, "Oth&erServices", 4, 132, 292, 34});
    for (int k = 0; k < 5; ++k)
        c.push_back(Edit(IDC_HDR_OTHER_SERVICES1 + k, 10 + 57 * k, 146, 53));
    c.push_back(Logo(206, 4));
    return Page(IDD_HEADER_CLIENT, std::move(c));
}

DialogTemplate DatumPage()
{
    std::vector<ControlTemplate> c;
    AddRows(c,
            {{"&PermanentDatum", IDC_HDR_PERMANENT_DATUM},
             {"&Elevation", IDC_HDR_ELEVATION},
             {"&Log Datum", IDC_HDR_LOG_DATUM},
             {"&Drilling Datum", IDC_HDR_DRILL_DATUM},
             {"&Kelly Bushing Elev", IDC_HDR_KELLY_BUSHING},
             {"&Drill Floor", IDC_HDR_DRILL_FLOOR},
             {"&Ground Level", IDC_HDR_GROUND_LEVEL}},
            4, 4, 72, 120);
    c.push_back(Logo(206, 4));
    return Page(IDD_HEADER_DATUM, std::move(c));
}

DialogTemplate RunPage()
{
    std::vector<ControlTemplate> c;
    AddRows(c,
            {{"&Run No", IDC_HDR_RUN_NO},
             {"&Date", IDC_HDR_DATE},
             {"&Type of log", IDC_HDR_LOG_TYPE},
             {"D&epth Driller", IDC_HDR_DEPTH_DRILLER},
             {"Depth L&ogger", IDC_HDR_DEPTH_LOGGER},
             {"Lo&g Deepest", IDC_HDR_DEEPEST},
             {"Log S&hallow", IDC_HDR_SHALLOW},
             {"Fluid &in Hole", IDC_HDR_FLUID}},
            4, 4, 56, 84);
    AddRows(c,
            {{"Log E&ngeneer", IDC_HDR_ENGINEER},
             {"&Salinity", IDC_HDR_SALINITY},
             {"Densit&y", IDC_HDR_DENSITY},
             {"&Level", IDC_HDR_LEVEL},
             {"Ma&x. Temp.", IDC_HDR_MAX_TEMPERATURE},
             {"Rig. Ti&me.", IDC_HDR_RIG_TIME},
             {"&Witnessed by.", IDC_HDR_WITNESS}},
            152, 4, 50, 94);
    c.push_back(Logo(206, 100));
    return Page(IDD_HEADER_RUN, std::move(c));
}

DialogTemplate BitCasingPage()
{
    std::vector<ControlTemplate> c;
    AddRows(c, {{"&Run No", IDC_HDR_RUN_NO}}, 4, 4, 56, 60);
    c.push_back({ControlKind::GroupBox, -1, "Casing Record", 4, 24, 196, 70});
    AddRows(c,
            {{"&Size", IDC_HDR_CASING_SIZE},
             {"&Weight", IDC_HDR_CASING_WEIGHT},
             {"&From", IDC_HDR_CASING_FROM},
             {"&To", IDC_HDR_CASING_TO}},
            10, 36, 50, 80);
    c.push_back({ControlKind::GroupBox, -1, "BitRecord", 4, 100, 196, 56});
    AddRows(c, {{"&Bit", IDC_HDR_BIT}, {"Fro&m", IDC_HDR_BIT_FROM}, {"T&o", IDC_HDR_BIT_TO}}, 10, 112, 50, 80);
    c.push_back(Logo(206, 4));
    return Page(IDD_HEADER_RECORD, std::move(c));
}

DialogTemplate RemarksPage()
{
    return Page(IDD_HEADER_REMARKS, {{ControlKind::Static, -1, "&Remaks", 4, 4, 100, 8},
                                     {ControlKind::MultiLineEdit, IDC_HDR_REMARKS, "", 4, 14, 196, 172},
                                     Logo(206, 4)});
}

// No caption; the pages lie at (11, 20) over the tab control.
DialogTemplate Editor()
{
    return {IDD_HEADER_DLG, "", 322, 242, DS_SYSMENU | DS_CENTER,
            {{ControlKind::TabControl, IDC_HDR_TAB, "", 7, 4, 308, 14},
             {ControlKind::EtchedFrame, IDC_HDR_FRAME, "", 7, 17, 308, 199},
             {ControlKind::PushButton, IDC_HDR_LOAD, "&Load", 7, 222, 50, 14},
             {ControlKind::PushButton, IDC_HDR_RESET, "&Reset", 61, 222, 50, 14},
             {ControlKind::PushButton, IDC_HDR_CANCEL, "&Cancel", 211, 222, 50, 14},
             {ControlKind::DefPushButton, IDC_HDR_SAVE, "&Save", 265, 222, 50, 14}}};
}

}  // namespace

std::vector<DialogTemplate> HeaderTemplates()
{
    return {Editor(), ClientPage(), DatumPage(), RemarksPage(), RunPage(), BitCasingPage()};
}
