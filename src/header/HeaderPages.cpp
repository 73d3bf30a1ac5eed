#include "header/HeaderPages.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>

#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderDlg.h"
#include "header/HeaderRecord.h"
#include "res/Resource.h"
#include "toolkit/Picture.h"

namespace {

using H = HeaderRecord;
using F = HeaderField;

constexpr F Text(int id, std::string H::*field) { return {id, F::Text, field}; }
constexpr F Integer(int id, std::int32_t H::*field) { return {id, F::Integer, nullptr, field}; }
constexpr F Real(int id, double H::*field, short decimals, bool blankAtZero)
{
    return {id, F::Real, nullptr, nullptr, field, decimals, blankAtZero};
}

constexpr F kClientFields[] = {
    Text(IDC_HDR_PROJECT, &H::Project),
    Text(IDC_HDR_LOG_NAME, &H::LogName),
    Text(IDC_HDR_COMPANY, &H::Company),
    Text(IDC_HDR_WELL, &H::Wellname),
    Text(IDC_HDR_FIELD, &H::Fieldname),
    Text(IDC_HDR_COUNTRY, &H::Country),
    Text(IDC_HDR_STATE, &H::Location),
    Text(IDC_HDR_LATITUDE, &H::Latitude),
    Text(IDC_HDR_LONGITUDE, &H::Longitude),
    Text(IDC_HDR_OTHER_SERVICES1, &H::OtherServices1),
    Text(IDC_HDR_OTHER_SERVICES1 + 1, &H::OtherServices2),
    Text(IDC_HDR_OTHER_SERVICES1 + 2, &H::OtherServices3),
    Text(IDC_HDR_OTHER_SERVICES1 + 3, &H::OtherServices4),
    Text(IDC_HDR_OTHER_SERVICES1 + 4, &H::OtherServices5),
};

// The label "&PermanentDatum" edits LogDatum and "&Log Datum" edits DateRun1.
constexpr F kDatumFields[] = {
    Text(IDC_HDR_PERMANENT_DATUM, &H::LogDatum),
    Text(IDC_HDR_ELEVATION, &H::Elevation),
    Text(IDC_HDR_LOG_DATUM, &H::DateRun1),
    Text(IDC_HDR_DRILL_DATUM, &H::DrillDatum),
    Real(IDC_HDR_KELLY_BUSHING, &H::KellyBushing, 3, false),
    Real(IDC_HDR_DRILL_FLOOR, &H::DrillFloor, 3, false),
    Real(IDC_HDR_GROUND_LEVEL, &H::GroundLevel, 3, false),
};

constexpr F kRunFields[] = {
    Integer(IDC_HDR_RUN_NO, &H::RunNo1),
    Text(IDC_HDR_DATE, &H::Date),
    Text(IDC_HDR_LOG_TYPE, &H::LogType1),
    Real(IDC_HDR_DEPTH_DRILLER, &H::DepthDriller1, 3, true),
    Real(IDC_HDR_DEPTH_LOGGER, &H::DepthLogger1, 3, true),
    Real(IDC_HDR_DEEPEST, &H::Deepest1, 3, true),
    Real(IDC_HDR_SHALLOW, &H::Shallow1, 3, true),
    Text(IDC_HDR_FLUID, &H::Fluid1),
    Text(IDC_HDR_ENGINEER, &H::Engineer1),
    Text(IDC_HDR_SALINITY, &H::Salinity1),
    Text(IDC_HDR_DENSITY, &H::FluidDensity1),
    Text(IDC_HDR_LEVEL, &H::FluidLevel1),
    Real(IDC_HDR_MAX_TEMPERATURE, &H::MaxTemperature1, 2, false),
    Text(IDC_HDR_RIG_TIME, &H::RigTime1),
    Text(IDC_HDR_WITNESS, &H::Witness1),
};

constexpr F kBitCasingFields[] = {
    Integer(IDC_HDR_RUN_NO, &H::RunNo1),
    Real(IDC_HDR_CASING_SIZE, &H::CasRecSize1, 3, true),
    Real(IDC_HDR_CASING_WEIGHT, &H::CasRecWeight1, 3, true),
    Real(IDC_HDR_CASING_FROM, &H::CasRecFrom1, 3, true),
    Real(IDC_HDR_CASING_TO, &H::CasRecTo1, 3, true),
    Real(IDC_HDR_BIT, &H::BitRec1, 3, true),
    Real(IDC_HDR_BIT_FROM, &H::BitRecFrom1, 3, true),
    Real(IDC_HDR_BIT_TO, &H::BitRecTo1, 3, true),
};

// The logo static takes the size of the logo bitmap.
constexpr int kLogoWidth = 150;
constexpr int kLogoHeight = 120;

// Tells the page of each paint of its window.
class PaintWatcher : public QObject {
public:
    PaintWatcher(CHeaderPage* page, QWidget* window) : QObject(window), m_page(page) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_page->OnPaint();
        return false;
    }

private:
    CHeaderPage* m_page;
};

std::string* Comments(HeaderRecord& h, int line)
{
    static std::string H::*const kComments[CHCommentDlg::kLines] = {
        &H::Comment1, &H::Comment2, &H::Comment3, &H::Comment4, &H::Comment5,
        &H::Comment6, &H::Comment7, &H::Comment8, &H::Comment9, &H::Comment10};
    return &(h.*kComments[line]);
}

}  // namespace

CHeaderPage::CHeaderPage(int templateId, CHeaderDlg* editor) : CDialogExt(templateId, editor), m_editor(editor) {}

void CHeaderPage::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_HDR_LOGO, m_Logo); }

BOOL CHeaderPage::OnInitDialog()
{
    CDialogExt::OnInitDialog();
    m_nLogoTimer = 0;
    m_logoDrawn = QSize();
    QWidget* window = GetSafeHwnd();
    window->installEventFilter(new PaintWatcher(this, window));
    if (HasLogo() && m_Logo.IsWindow())
        m_Logo.GetSafeHwnd()->resize(kLogoWidth, kLogoHeight);
    return TRUE;
}

bool CHeaderPage::HasLogo() const { return m_pLogo != nullptr && m_pLogo->HasPicture(); }

// The logo is drawn 10 ms after a repaint of the page.
void CHeaderPage::OnPaint()
{
    if (HasLogo() && m_nLogoTimer == 0)
        m_nLogoTimer = UINT(SetTimer(kLogoTimer, 10));
}

void CHeaderPage::OnTimer(UINT_PTR id)
{
    if (id == m_nLogoTimer && id != 0) {
        KillTimer(id);
        m_nLogoTimer = 0;
        if (HasLogo() && IsWindowVisible())
            DrawLogo();
    }
    CDialogExt::OnTimer(id);
}

// Stretched to the static. Setting the picture repaints the page, so it is
// drawn again only when the static's size changed.
void CHeaderPage::DrawLogo()
{
    auto* label = qobject_cast<QLabel*>(m_Logo.GetSafeHwnd());
    if (label == nullptr || label->size() == m_logoDrawn || label->size().isEmpty())
        return;
    QPixmap pixmap(label->size());
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    m_pLogo->Draw(&painter, RECT{0, 0, label->width(), label->height()});
    painter.end();
    label->setPixmap(pixmap);
    m_logoDrawn = label->size();
}

void CHeaderPage::OnOK() { m_editor->OnOK(); }
void CHeaderPage::OnCancel() { m_editor->OnCancel(); }

BOOL CHeaderPage::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_HDR_RUN_NO && HIWORD(wParam) == EN_CHANGE) {
        m_editor->OnRunNoChanged(*this);
        return TRUE;
    }
    return CDialogExt::OnCommand(wParam, lParam);
}

CHeaderFieldsPage::CHeaderFieldsPage(int templateId, CHeaderDlg* editor, std::span<const HeaderField> fields)
    : CHeaderPage(templateId, editor), m_fields(fields)
{
}

bool CHeaderFieldsPage::LoadFromHeader()
{
    const HeaderRecord& h = *theApp.m_pHeaderRecord;
    for (const HeaderField& f : m_fields) {
        switch (f.kind) {
        case HeaderField::Text: SetDlgItemText(f.id, h.*f.text); break;
        case HeaderField::Integer: SetDlgItemIntClamped(f.id, h.*f.integer, -1, -1); break;
        case HeaderField::Real: SetDlgItemDouble(f.id, h.*f.real, f.decimals, f.blankAtZero); break;
        }
    }
    return true;
}

// A number field whose text is not a number keeps its old value (the reader said so).
bool CHeaderFieldsPage::SaveToHeader()
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    for (const HeaderField& f : m_fields) {
        switch (f.kind) {
        case HeaderField::Text: h.*f.text = GetDlgItem(f.id)->GetWindowText(); break;
        case HeaderField::Integer: {
            int value = 0;
            if (GetDlgItemInt(f.id, &value))
                h.*f.integer = value;
            break;
        }
        case HeaderField::Real: {
            double value = 0.0;
            if (GetDlgItemDouble(f.id, &value))
                h.*f.real = value;
            break;
        }
        }
    }
    return true;
}

int CHeaderFieldsPage::FirstBadNumber()
{
    for (const HeaderField& f : m_fields) {
        if (f.kind != HeaderField::Text && !HoldsNumber(f))
            return f.id;
    }
    return 0;
}

// Read as Save reads it, so the check and the stored value agree.
bool CHeaderFieldsPage::HoldsNumber(const HeaderField& field)
{
    if (field.kind == HeaderField::Real) {
        double value = 0.0;
        return GetDlgItemDouble(field.id, &value);
    }
    int value = 0;
    return GetDlgItemInt(field.id, &value);
}

CHCompagnyDlg::CHCompagnyDlg(CHeaderDlg* editor) : CHeaderFieldsPage(IDD_HEADER_CLIENT, editor, kClientFields) {}

CHWeelDatumDlg::CHWeelDatumDlg(CHeaderDlg* editor) : CHeaderFieldsPage(IDD_HEADER_DATUM, editor, kDatumFields) {}

CHGroundDlg::CHGroundDlg(CHeaderDlg* editor) : CHeaderFieldsPage(IDD_HEADER_RUN, editor, kRunFields) {}

// The run number takes digits only here.
BOOL CHGroundDlg::OnInitDialog()
{
    CHeaderFieldsPage::OnInitDialog();
    if (auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(IDC_HDR_RUN_NO)->GetSafeHwnd()))
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    return TRUE;
}

CHRecordDlg::CHRecordDlg(CHeaderDlg* editor) : CHeaderFieldsPage(IDD_HEADER_RECORD, editor, kBitCasingFields) {}

CHCommentDlg::CHCommentDlg(CHeaderDlg* editor) : CHeaderPage(IDD_HEADER_REMARKS, editor) {}

// Empty comments are skipped; the later ones still follow.
bool CHCommentDlg::LoadFromHeader()
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    std::string text = h.Comment1;
    for (int line = 1; line < kLines; ++line) {
        const std::string& comment = *Comments(h, line);
        if (!comment.empty())
            text += "\r\n" + comment;
    }
    SetDlgItemText(IDC_HDR_REMARKS, text);
    return true;
}

// One comment per line, as typed; lines after the tenth are dropped.
bool CHCommentDlg::SaveToHeader()
{
    HeaderRecord& h = *theApp.m_pHeaderRecord;
    const std::string text = GetDlgItem(IDC_HDR_REMARKS)->GetWindowText();
    for (int line = 0; line < kLines; ++line)
        Comments(h, line)->clear();
    std::size_t start = 0;
    for (int line = 0; line < kLines && start != std::string::npos; ++line) {
        const std::size_t end = text.find("\r\n", start);
        *Comments(h, line) = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? end : end + 2;
    }
    return true;
}
