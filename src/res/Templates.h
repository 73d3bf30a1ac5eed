#pragma once
#include <vector>

#include "platform/DialogTemplate.h"

// The program's dialog templates, one function per area of the program;
// each is defined in its own Templates<Area>.cpp.
std::vector<DialogTemplate> MainTemplates();
std::vector<DialogTemplate> AcqTemplates();
std::vector<DialogTemplate> LasTemplates();
std::vector<DialogTemplate> HeaderTemplates();
std::vector<DialogTemplate> PrintTemplates();
std::vector<DialogTemplate> PanelTemplates();
std::vector<DialogTemplate> ResizableTemplates();
std::vector<DialogTemplate> SetupTemplates();
std::vector<DialogTemplate> OptionsTemplates();
std::vector<DialogTemplate> CalibTemplates();
std::vector<DialogTemplate> CommTemplates();

// The menus; all belong to the main area.
std::vector<MenuTemplate> MainMenus();
