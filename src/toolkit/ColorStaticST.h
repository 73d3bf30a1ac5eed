#pragma once
#include <memory>
#include <string>

#include "platform/Window.h"

// A static text whose text and background colours are set at run time.
// Text and colours may be set from any thread: the control keeps the latest
// and has at most one update queued to the user-interface thread.
class CColorStaticST : public CStatic {
public:
    CColorStaticST();
    ~CColorStaticST() override;

    void Attach(QWidget* widget) override;

    // -1 gives the system's button text colour.
    void SetTextColor(COLORREF colour);
    // -1 gives the system's button face colour.
    void SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const;

    void SetWindowText(const std::string& text);

    struct State;

private:
    void Update();

    std::shared_ptr<State> m_state;
};
