#include "toolkit/ColorStaticST.h"

#include <QPalette>
#include <QPointer>
#include <atomic>
#include <mutex>

#include "platform/Colors.h"
#include "platform/UiThread.h"

namespace {
constexpr COLORREF kDefaultColour = 0xFFFFFFFF;
}

// Shared with the update queued to the user-interface thread, so that the
// update stays safe when the control goes first.
struct CColorStaticST::State {
    QPointer<QWidget> widget;
    // Taken once on the user-interface thread, where the palette lives.
    COLORREF defaultText = GetSysColor(COLOR_BTNTEXT);
    COLORREF defaultBk = GetSysColor(COLOR_BTNFACE);
    std::atomic<COLORREF> textColour{0};
    std::atomic<COLORREF> bkColour{0};
    std::atomic<bool> posted{false};
    std::mutex mutex;
    std::string text;
    bool textChanged = false;
};

namespace {

void Apply(CColorStaticST::State& state)
{
    QWidget* widget = state.widget;
    if (widget == nullptr)
        return;
    QPalette palette = widget->palette();
    QColor text = ToQColor(state.textColour);
    QColor background = ToQColor(state.bkColour);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);

    std::lock_guard lock(state.mutex);
    if (!state.textChanged)
        return;
    state.textChanged = false;
    QString shown = QString::fromLatin1(state.text.data(), qsizetype(state.text.size()));
    if (widget->property("text").isValid())
        widget->setProperty("text", shown);
    else
        widget->setWindowTitle(shown);
}

}  // namespace

CColorStaticST::CColorStaticST() : m_state(std::make_shared<State>())
{
    m_state->textColour = m_state->defaultText;
    m_state->bkColour = m_state->defaultBk;
}

CColorStaticST::~CColorStaticST() = default;

void CColorStaticST::Attach(QWidget* widget)
{
    CStatic::Attach(widget);
    m_state->widget = widget;
    Update();
}

void CColorStaticST::SetTextColor(COLORREF colour)
{
    m_state->textColour = colour == kDefaultColour ? m_state->defaultText : colour;
    Update();
}

void CColorStaticST::SetBkColor(COLORREF colour)
{
    m_state->bkColour = colour == kDefaultColour ? m_state->defaultBk : colour;
    Update();
}

COLORREF CColorStaticST::GetBkColor() const { return m_state->bkColour; }

void CColorStaticST::SetWindowText(const std::string& text)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->text = text;
        m_state->textChanged = true;
    }
    Update();
}

// At once on the user-interface thread; from another thread one queued
// update at a time, which shows whatever is latest when it runs.
void CColorStaticST::Update()
{
    if (IsUiThread()) {
        Apply(*m_state);
        return;
    }
    if (m_state->posted.exchange(true))
        return;
    RunOnUiThread([state = m_state] {
        state->posted = false;
        Apply(*state);
    });
}
