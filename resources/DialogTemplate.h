#pragma once
// Dialog template 102 and menu 140 as data: what the main dialog is built from.

#include <QString>
#include <QStringList>

#include <vector>

namespace resources {

enum class ControlKind { ListBox, Static, Edit, Button, EditCombo, ListCombo, Progress, CheckBox };

struct ControlTemplate {
    int id; // -1 for a static text without an id
    ControlKind kind;
    QString text;
    int x, y, width, height; // dialog units
    bool visible;
    bool centred = false; // static text alignment
    QStringList items = {}; // initial entries of a combo box, in the order they are added
};

struct DialogTemplate {
    int width, height; // dialog units of the client area
    QString title;
    QStringList fontFamilies;
    int fontPointSize;
    std::vector<ControlTemplate> controls; // template order, which is also the tab order
};

struct MenuItemTemplate {
    int id;
    QString text;
    bool checkable;
    bool checked;
};

struct MenuTemplate {
    QString title;
    std::vector<MenuItemTemplate> items;
};

// Made at each call, with the texts in the language of the moment.
DialogTemplate MainDialogTemplate();
std::vector<MenuTemplate> MainMenuTemplate();

} // namespace resources
