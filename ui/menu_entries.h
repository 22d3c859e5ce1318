// Building the pop-up menus: entries and submenus with their object names.
#pragma once

#include <QAction>
#include <QMenu>

namespace tagwright {

// Entries belong to the menu's owner (a widget of the window), so that their hints reach the
// window's status bar.
inline QAction* AddEntry(QMenu* menu, const char* caption, const char* name) {
  auto* action = new QAction(QString::fromLatin1(caption), menu->parent());
  menu->addAction(action);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

inline QMenu* AddSubmenu(QMenu* menu, const char* caption, const char* name) {
  auto* submenu = new QMenu(QString::fromLatin1(caption), qobject_cast<QWidget*>(menu->parent()));
  menu->addMenu(submenu);
  submenu->setObjectName(QString::fromLatin1(name));
  return submenu;
}

}  // namespace tagwright
