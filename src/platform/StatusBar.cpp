#include "platform/StatusBar.h"

#include <QEvent>
#include <QPainter>
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

protected:
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
        int left = 0;
        for (const CStatusBarCtrl::Part& part : parts) {
            int right = part.rightEdge < 0 ? width() : part.rightEdge;
            if (right <= left)
                continue;
            QRect box(left, 1, right - left - 2, height() - 2);
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawRect(box);
            QRect inner = box.adjusted(3, 1, -2, -1);
            if (part.icon != nullptr)
                painter.drawPixmap(inner.left(), inner.top() + (inner.height() - part.icon->height()) / 2, *part.icon);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inner, Qt::AlignVCenter | Qt::AlignLeft,
                             QString::fromLatin1(part.text.data(), qsizetype(part.text.size())));
            left = right;
        }
    }

private:
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
