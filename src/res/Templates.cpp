#include "res/Templates.h"

#include <deque>

namespace {

// Deques: a template found stays where it is when tests add theirs.
std::deque<DialogTemplate>& Templates()
{
    static std::deque<DialogTemplate> templates = [] {
        std::deque<DialogTemplate> all;
        for (auto area : {MainTemplates, AcqTemplates, LasTemplates, HeaderTemplates, PrintTemplates,
                          PanelTemplates, ResizableTemplates, SetupTemplates, OptionsTemplates,
                          CalibTemplates, CommTemplates}) {
            for (DialogTemplate& tpl : area())
                all.push_back(std::move(tpl));
        }
        return all;
    }();
    return templates;
}

std::deque<MenuTemplate>& Menus()
{
    static std::deque<MenuTemplate> menus = [] {
        std::vector<MenuTemplate> main = MainMenus();
        return std::deque<MenuTemplate>(main.begin(), main.end());
    }();
    return menus;
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

void RegisterMenuTemplate(const MenuTemplate& tpl)
{
    if (FindMenuTemplate(tpl.id) == nullptr)
        Menus().push_back(tpl);
}

const MenuTemplate* FindMenuTemplate(int id)
{
    for (const MenuTemplate& tpl : Menus()) {
        if (tpl.id == id)
            return &tpl;
    }
    return nullptr;
}
