// Building the pop-up menus and the commands' buttons: entries and submenus with their object names,
// the commands' entries and keys as the catalogue gives them.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QString>

#include "commands/command_catalogue.h"

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

// A command's button or menu entry, as the catalogue names it: "Hands-Free! (F7)".
inline QString CommandEntry(TCommandId id) { return QString::fromUtf8(CatalogueCommand(id).MenuEntry); }

// The entry of a command's preview: "Preview Hands-Free...".
inline QAction* AddPreviewEntry(QMenu* menu, TCommandId id, const char* name) {
  const QByteArray caption = QByteArray(CatalogueCommand(id).PreviewCaption) + "...";
  return AddEntry(menu, caption.constData(), name);
}

// The keys the catalogue gives a command; none when it has none.
inline QList<QKeySequence> CommandKeys(const TCatalogueCommand& command) {
  if (command.Keys == nullptr) return {};
  return QKeySequence::listFromString(QString::fromLatin1(command.Keys));
}

}  // namespace tagwright
