#pragma once
#include <string>
#include <vector>

// Dialog templates: positions and sizes in dialog units, as the program's
// resources give them; converted to pixels with the dialog font's base units.

enum class ControlKind {
    Static,        // text
    StaticCentre,  // centred text
    EtchedFrame,
    PushButton,
    DefPushButton, // the dialog's default button: drawn as such, pressed by Enter
    Edit,
    Trackbar,      // horizontal slider
    CheckBox,
    RadioButton,   // radios between two group starts check one another out
    GroupBox,
    ComboDropList, // choice from the list only
    ComboDropDown, // editable, with a list
    VScrollBar,    // used as a spin: arrows only
    TabControl,
    IconStatic,
    MultiLineEdit,
    Custom,        // a bare window that the wrapper attached to it draws and handles
};

struct ControlTemplate {
    ControlKind kind;
    int id;
    std::string text;
    int x, y, cx, cy;
    bool group = false;  // starts a group (of radio buttons)
};

enum DialogStyle : unsigned {
    DS_CAPTION = 0x01,
    DS_SYSMENU = 0x02,
    DS_CENTER = 0x04,
    DS_VISIBLE = 0x08,
    DS_SIZEBOX = 0x10,
    DS_MINMAXBOX = 0x20,
    DS_CHILD = 0x40,  // a panel inside its parent's client area
};

struct DialogTemplate {
    int id;
    std::string caption;
    int cx, cy;
    unsigned style;
    std::vector<ControlTemplate> controls;
    std::string fontFace = "MS Shell Dlg";
    int fontPoints = 8;
    int menu = 0;  // the id of the dialog's menu bar, 0 for none
};

// A menu item: a command (id, text with '&' before its mnemonic), a
// separator (id 0, no text) or a popup (its own items).
struct MenuItemTemplate {
    int id;
    std::string text;
    std::vector<MenuItemTemplate> items = {};
};

struct MenuTemplate {
    int id;
    std::vector<MenuItemTemplate> items;
};

// The template with this id, or null.
const DialogTemplate* FindDialogTemplate(int id);
// Adds a template that is not among the program's resources (tests).
void RegisterDialogTemplate(const DialogTemplate& tpl);

const MenuTemplate* FindMenuTemplate(int id);
void RegisterMenuTemplate(const MenuTemplate& tpl);
