#include "platform/StatusBar.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <mutex>

#include "platform/UiThread.h"

struct CStatusBarCtrl::Part {
    int rightEdge = -1;
    std::string text;
    HICON icon = nullptr;
};

namespace {

class StatusBarWidget : public QWidget {
public:
    explicit StatusBarWidget(QWidget* parent) : QWidget(parent), repaints(this)
    {
        setFixedHeight(QFontMetrics(font()).height() + 8);
        parent->installEventFilter(this);
        Follow();
    }

    mutable std::mutex mutex;
    std::vector<CStatusBarCtrl::Part> parts;
    CoalescedRepaint repaints;
    bool toolTips = false;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QWidget::event(event);
        auto* help = static_cast<QHelpEvent*>(event);
        if (!ShowCutText(help->pos(), help->globalPos()))
            QToolTip::hideText();
        return true;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parentWidget() && event->type() == QEvent::Resize)
            Follow();
        return false;
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        std::lock_guard lock(mutex);
        for (size_t i = 0; i < parts.size(); ++i) {
            const QRect box = Box(i);
            if (box.isEmpty())
                continue;
            const CStatusBarCtrl::Part& part = parts[i];
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(box);
            const QRect inner = TextArea(box);
            if (part.icon != nullptr)
                painter.drawPixmap(inner.left(), inner.top() + (inner.height() - part.icon->height()) / 2, *part.icon);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inner, Qt::AlignVCenter | Qt::AlignLeft, Text(part));
        }
    }

private:
    static QString Text(const CStatusBarCtrl::Part& part)
    {
        return QString::fromLatin1(part.text.data(), qsizetype(part.text.size()));
    }
    static QRect TextArea(const QRect& box) { return box.adjusted(3, 1, -2, -1); }

    // The frame of part i, empty for a part left without room; the mutex held.
    QRect Box(size_t i) const
    {
        int left = 0;
        for (size_t k = 0; k < parts.size(); ++k) {
            const int right = parts[k].rightEdge < 0 ? width() : parts[k].rightEdge;
            if (right <= left) {
                if (k == i)
                    return QRect();
                continue;
            }
            if (k == i)
                return QRect(left, 1, right - left - 2, height() - 2);
            left = right;
        }
        return QRect();
    }

    // A text cut by its part is shown whole in a tooltip.
    bool ShowCutText(const QPoint& at, const QPoint& globalAt)
    {
        if (!toolTips)
            return false;
        std::lock_guard lock(mutex);
        for (size_t i = 0; i < parts.size(); ++i) {
            const QRect box = Box(i);
            if (!box.contains(at))
                continue;
            const QString text = Text(parts[i]);
            if (text.isEmpty() || fontMetrics().horizontalAdvance(text) <= TextArea(box).width())
                return false;
            QToolTip::showText(globalAt, text, this, box);
            return true;
        }
        return false;
    }

    void Follow()
    {
        QWidget* parent = parentWidget();
        setGeometry(0, parent->height() - height(), parent->width(), height());
        raise();
    }
};

StatusBarWidget* BarOf(QWidget* widget) { return static_cast<StatusBarWidget*>(widget); }

}  // namespace

// Changes one part under the lock, then asks for a repaint on the user-interface thread.
void CStatusBarCtrl::ChangePart(int part, const std::function<void(Part&)>& change)
{
    QPointer<QWidget> widget = m_hWnd;
    if (!widget)
        return;
    {
        std::lock_guard lock(BarOf(widget)->mutex);
        auto& parts = BarOf(widget)->parts;
        if (part < 0 || part >= int(parts.size()))
            return;
        change(parts[size_t(part)]);
    }
    BarOf(widget)->repaints.Request();
}

BOOL CStatusBarCtrl::Create(CWnd* parent, int id)
{
    if (parent == nullptr || parent->GetSafeHwnd() == nullptr)
        return FALSE;
    auto* bar = new StatusBarWidget(parent->GetSafeHwnd());
    SetControlId(bar, id);
    bar->show();
    Attach(bar);
    return TRUE;
}

void CStatusBarCtrl::SetParts(const std::vector<int>& rightEdges)
{
    if (!m_hWnd)
        return;
    StatusBarWidget* bar = BarOf(m_hWnd);
    {
        std::lock_guard lock(bar->mutex);
        bar->parts.resize(rightEdges.size());
        for (size_t i = 0; i < rightEdges.size(); ++i)
            bar->parts[i].rightEdge = rightEdges[i];
    }
    bar->update();
}

void CStatusBarCtrl::EnableToolTips(bool enable)
{
    if (m_hWnd)
        BarOf(m_hWnd)->toolTips = enable;
}

void CStatusBarCtrl::SetText(int part, const std::string& text)
{
    ChangePart(part, [&](Part& p) { p.text = text; });
}

std::string CStatusBarCtrl::GetText(int part) const
{
    if (!m_hWnd)
        return "";
    std::lock_guard lock(BarOf(m_hWnd)->mutex);
    const auto& parts = BarOf(m_hWnd)->parts;
    return part >= 0 && part < int(parts.size()) ? parts[size_t(part)].text : std::string();
}

void CStatusBarCtrl::SetIcon(int part, HICON icon)
{
    ChangePart(part, [&](Part& p) { p.icon = icon; });
}

HICON CStatusBarCtrl::GetIcon(int part) const
{
    if (!m_hWnd)
        return nullptr;
    std::lock_guard lock(BarOf(m_hWnd)->mutex);
    const auto& parts = BarOf(m_hWnd)->parts;
    return part >= 0 && part < int(parts.size()) ? parts[size_t(part)].icon : nullptr;
}

int CStatusBarCtrl::PartCount() const { return int(Parts().size()); }

std::vector<int> CStatusBarCtrl::Parts() const
{
    std::vector<int> edges;
    if (!m_hWnd)
        return edges;
    std::lock_guard lock(BarOf(m_hWnd)->mutex);
    for (const Part& part : BarOf(m_hWnd)->parts)
        edges.push_back(part.rightEdge);
    return edges;
}
