// The context menu between the engine and the library API: the menu model built from the
// engine's standard menu (items by command id), the parameters of the request, and the menu to
// show from an edited model.
#pragma once

#include <map>

#include "platform/cef/cef_handlers.h"

class QAction;
class QMenu;
class QUrl;
class QWebEngineContextMenuRequest;
class QWebEnginePage;
class QWidget;

namespace orvex::cefqt {

struct EngineMenu {
    CefRefPtr<CefMenuModel> model;
    std::map<int, QAction*> actions;  // command id -> the engine's action
};

// The command id of an engine action: the library's standard ids where they exist, otherwise
// MENU_ID_ENGINE_FIRST plus the action's number.
int CommandIdOfWebAction(int webAction);
EngineMenu ModelFromEngineMenu(const QMenu& menu, QWebEnginePage* page);
CefContextMenuParams::Data ParamsFromRequest(const QWebEngineContextMenuRequest& request,
                                             const QUrl& pageUrl);
// The menu to show (null when the model is empty); its items trigger the engine's actions.
QMenu* MenuFromModel(const CefMenuModel& model, const std::map<int, QAction*>& actions,
                     QWidget* parent);

}  // namespace orvex::cefqt
