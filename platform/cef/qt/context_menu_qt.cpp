#include "platform/cef/qt/context_menu_qt.h"

#include <QMenu>
#include <QWebEngineContextMenuRequest>
#include <QWebEnginePage>

namespace orvex::cefqt {

int CommandIdOfWebAction(int webAction) {
    switch (static_cast<QWebEnginePage::WebAction>(webAction)) {
        case QWebEnginePage::Back:
            return MENU_ID_BACK;
        case QWebEnginePage::Forward:
            return MENU_ID_FORWARD;
        case QWebEnginePage::Reload:
            return MENU_ID_RELOAD;
        case QWebEnginePage::ReloadAndBypassCache:
            return MENU_ID_RELOAD_NOCACHE;
        case QWebEnginePage::Stop:
            return MENU_ID_STOPLOAD;
        case QWebEnginePage::Undo:
            return MENU_ID_UNDO;
        case QWebEnginePage::Redo:
            return MENU_ID_REDO;
        case QWebEnginePage::Cut:
            return MENU_ID_CUT;
        case QWebEnginePage::Copy:
            return MENU_ID_COPY;
        case QWebEnginePage::Paste:
            return MENU_ID_PASTE;
        case QWebEnginePage::SelectAll:
            return MENU_ID_SELECT_ALL;
        case QWebEnginePage::ViewSource:
            return MENU_ID_VIEW_SOURCE;
        default:
            return MENU_ID_ENGINE_FIRST + webAction;
    }
}

EngineMenu ModelFromEngineMenu(const QMenu& menu, QWebEnginePage* page) {
    EngineMenu result;
    result.model = CefMenuModel::Create();
    std::map<QAction*, int> engineActions;
    for (int a = 0; a < QWebEnginePage::WebActionCount; ++a) {
        if (QAction* action = page->action(static_cast<QWebEnginePage::WebAction>(a))) {
            engineActions[action] = a;
        }
    }
    int unknown = 0;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            result.model->AddSeparator();
            continue;
        }
        if (!action->isVisible() || action->menu() != nullptr) {
            continue;
        }
        auto it = engineActions.find(action);
        int id = it != engineActions.end() ? CommandIdOfWebAction(it->second)
                                           : MENU_ID_USER_LAST + 1 + unknown++;
        result.model->AddItem(id, CefString(action->text().toStdU16String()));
        result.model->SetEnabledAt(result.model->GetCount() - 1, action->isEnabled());
        result.actions[id] = action;
    }
    return result;
}

CefContextMenuParams::Data ParamsFromRequest(const QWebEngineContextMenuRequest& request,
                                             const QUrl& pageUrl) {
    CefContextMenuParams::Data data;
    data.x = request.position().x();
    data.y = request.position().y();
    data.pageUrl = CefString(pageUrl.toString().toStdU16String());
    data.linkUrl = CefString(request.linkUrl().toString().toStdU16String());
    data.selectionText = CefString(request.selectedText().toStdU16String());
    data.editable = request.isContentEditable();
    data.editStateFlags = static_cast<int>(request.editFlags());
    int flags = CM_TYPEFLAG_NONE;
    if (!data.pageUrl.empty()) {
        flags |= CM_TYPEFLAG_PAGE;
    }
    if (!data.linkUrl.empty()) {
        flags |= CM_TYPEFLAG_LINK;
    }
    if (request.mediaType() != QWebEngineContextMenuRequest::MediaTypeNone) {
        flags |= CM_TYPEFLAG_MEDIA;
    }
    if (!data.selectionText.empty()) {
        flags |= CM_TYPEFLAG_SELECTION;
    }
    if (data.editable) {
        flags |= CM_TYPEFLAG_EDITABLE;
    }
    data.typeFlags = flags;
    return data;
}

QMenu* MenuFromModel(const CefMenuModel& model, const std::map<int, QAction*>& actions,
                     QWidget* parent) {
    if (model.GetCount() == 0) {
        return nullptr;
    }
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int i = 0; i < model.GetCount(); ++i) {
        if (model.GetTypeAt(i) == MENUITEMTYPE_SEPARATOR) {
            menu->addSeparator();
            continue;
        }
        QAction* item =
            menu->addAction(QString::fromStdU16String(model.GetLabelAt(i).ToString16()));
        auto it = actions.find(model.GetCommandIdAt(i));
        if (it == actions.end()) {
            item->setEnabled(false);
            continue;
        }
        QAction* engineAction = it->second;
        item->setEnabled(model.IsEnabledAt(i) && engineAction->isEnabled());
        QObject::connect(item, &QAction::triggered, engineAction,
                         [engineAction] { engineAction->trigger(); });
    }
    return menu;
}

}  // namespace orvex::cefqt
