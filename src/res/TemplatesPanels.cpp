#include "res/Resource.h"
#include "res/Templates.h"

std::vector<DialogTemplate> PanelTemplates()
{
    return {};
}
