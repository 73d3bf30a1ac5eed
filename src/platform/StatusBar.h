#pragma once
#include <QPixmap>
#include <functional>
#include <string>
#include <vector>

#include "platform/Window.h"

using HICON = const QPixmap*;

// A status bar along the bottom of its parent, divided into parts by their
// right edges (-1: to the end; 0: an empty part). Text and icons may be set
// from any thread.
class CStatusBarCtrl : public CWnd {
public:
    BOOL Create(CWnd* parent, int id);
    void SetParts(const std::vector<int>& rightEdges);
    // Hovering a part whose text is cut by its width shows the whole text.
    void EnableToolTips(bool enable);
    void SetText(int part, const std::string& text);
    std::string GetText(int part) const;
    void SetIcon(int part, HICON icon);
    HICON GetIcon(int part) const;
    int PartCount() const;
    std::vector<int> Parts() const;

    struct Part;

private:
    void ChangePart(int part, const std::function<void(Part&)>& change);
};
