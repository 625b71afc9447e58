#include "platform/duilib/paint_manager_ui.h"

#include <unistd.h>

#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/win32/debug_output.h"
#include "platform/win32/qt/qt_window.h"
#include "support/text_conversion.h"

namespace DuiLib {
namespace {

HINSTANCE instanceHandle = nullptr;
CDuiString resourcePath;
// Every initialised manager, for the message loop's translate step.
std::vector<CPaintManagerUI*> managers;

CControlUI* findFromPoint(CControlUI* control, void*) {
    return control;
}

CControlUI* registerName(CControlUI* control, void* data) {
    auto* names = static_cast<std::map<CDuiString, CControlUI*>*>(data);
    if (!control->GetName().empty() && names->count(control->GetName()) == 0) {
        (*names)[control->GetName()] = control;
    }
    return nullptr;  // visit every control
}

template <typename T>
bool addUnique(std::vector<T*>& list, T* item) {
    if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end()) {
        return false;
    }
    list.push_back(item);
    return true;
}

template <typename T>
bool removeItem(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) {
        return false;
    }
    list.erase(it);
    return true;
}

WORD keyState() {
    WORD state = 0;
    if (GetKeyState(VK_CONTROL) < 0) {
        state |= MK_CONTROL;
    }
    if (GetKeyState(VK_SHIFT) < 0) {
        state |= MK_SHIFT;
    }
    return state;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
    removeItem(managers, this);
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    delete root;
}

void CPaintManagerUI::Init(HWND hWnd) {
    m_hWndPaint = hWnd;
    addUnique(managers, this);
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) {
    instanceHandle = hInst;
}

HINSTANCE CPaintManagerUI::GetInstance() {
    return instanceHandle;
}

CDuiString CPaintManagerUI::GetInstancePath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return CDuiString();
    }
    CDuiString full(path, static_cast<size_t>(length));
    return full.substr(0, full.find_last_of('/') + 1);
}

void CPaintManagerUI::SetResourcePath(LPCTSTR pStrPath) {
    resourcePath = pStrPath != nullptr ? pStrPath : "";
}

CDuiString CPaintManagerUI::GetResourcePath() {
    return resourcePath;
}

CDuiString CPaintManagerUI::ResourceFile(const CDuiString& name) {
    CDuiString file = name.empty() || name[0] == '/' ? name : resourcePath + name;
    std::replace(file.begin(), file.end(), '\\', '/');
    return file;
}

bool CPaintManagerUI::TranslateMessage(const MSG* pMsg) {
    if (pMsg == nullptr) {
        return false;
    }
    std::vector<CPaintManagerUI*> current = managers;
    for (CPaintManagerUI* manager : current) {
        if (std::find(managers.begin(), managers.end(), manager) == managers.end()) {
            continue;
        }
        LRESULT lRes = 0;
        if (pMsg->hwnd == manager->GetPaintWindow()) {
            return manager->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes);
        }
        for (HWND parent = GetParent(pMsg->hwnd); parent != nullptr; parent = GetParent(parent)) {
            if (parent == manager->GetPaintWindow()) {
                // A child window's messages reach the pre-filters, but stay its own.
                manager->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes);
                break;
            }
        }
    }
    return false;
}

namespace {

// Offers the message to each filter in turn until one takes it. A filter removed by an earlier
// one while the message travels is skipped.
bool OfferToFilters(const std::vector<IMessageFilterUI*>& registered, UINT uMsg, WPARAM wParam,
                    LPARAM lParam, LRESULT& lRes) {
    std::vector<IMessageFilterUI*> filters = registered;
    for (IMessageFilterUI* filter : filters) {
        if (std::find(registered.begin(), registered.end(), filter) == registered.end()) {
            continue;
        }
        bool handled = false;
        LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    return false;
}

}  // namespace

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    return OfferToFilters(m_aPreMessageFilters, uMsg, wParam, lParam, lRes);
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (m_hWndPaint == nullptr) {
        return false;
    }
    if (OfferToFilters(m_aMessageFilters, uMsg, wParam, lParam, lRes)) {
        return true;
    }
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (uMsg) {
        case WM_PAINT:
            paint();
            return true;
        case WM_ERASEBKGND:
            lRes = 1;
            return true;
        case WM_SIZE:
            if (m_pRoot != nullptr) {
                m_pRoot->NeedUpdate();
            }
            m_bUpdateNeeded = true;
            InvalidateRect(m_hWndPaint, nullptr, FALSE);
            return true;
        case WM_MOUSEMOVE: {
            CControlUI* hover = FindControl(pt);
            if (hover != nullptr && hover->GetManager() != this) {
                break;
            }
            if (hover != m_pEventHover && m_pEventHover != nullptr) {
                mouseEvent(m_pEventHover, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
                m_pEventHover = nullptr;
            }
            if (hover != m_pEventHover && hover != nullptr) {
                mouseEvent(hover, UIEVENT_MOUSEENTER, wParam, lParam, pt);
                m_pEventHover = hover;
            }
            if (m_pEventClick != nullptr) {
                mouseEvent(m_pEventClick, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
            } else if (hover != nullptr) {
                mouseEvent(hover, UIEVENT_MOUSEMOVE, wParam, lParam, pt);
            }
            break;
        }
        case WM_MOUSELEAVE:
            if (m_pEventHover != nullptr) {
                mouseEvent(m_pEventHover, UIEVENT_MOUSELEAVE, wParam, lParam, pt);
                m_pEventHover = nullptr;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            CControlUI* control = FindControl(pt);
            if (control == nullptr || control->GetManager() != this) {
                break;
            }
            m_pEventClick = control;
            control->SetFocus();
            SetCapture(m_hWndPaint);
            mouseEvent(control, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK,
                       wParam, lParam, pt);
            break;
        }
        case WM_LBUTTONUP: {
            if (GetCapture() == m_hWndPaint) {
                ReleaseCapture();
            }
            CControlUI* control = m_pEventClick;
            m_pEventClick = nullptr;
            if (control != nullptr) {
                mouseEvent(control, UIEVENT_BUTTONUP, wParam, lParam, pt);
            }
            break;
        }
        case WM_RBUTTONDOWN: {
            CControlUI* control = FindControl(pt);
            if (control == nullptr || control->GetManager() != this) {
                break;
            }
            control->SetFocus();
            mouseEvent(control, UIEVENT_RBUTTONDOWN, wParam, lParam, pt);
            break;
        }
        case WM_MOUSEWHEEL: {
            POINT client = pt;
            ScreenToClient(m_hWndPaint, &client);
            if (CControlUI* control = FindControl(client)) {
                if (control->GetManager() == this) {
                    mouseEvent(control, UIEVENT_SCROLLWHEEL, wParam, lParam, client);
                }
            }
            break;
        }
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_SYSKEYDOWN: {
            if (m_pFocus == nullptr) {
                break;
            }
            TEventUI event;
            event.Type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN
                         : uMsg == WM_KEYUP ? UIEVENT_KEYUP
                         : uMsg == WM_CHAR  ? UIEVENT_CHAR
                                            : UIEVENT_SYSKEY;
            event.pSender = m_pFocus;
            event.chKey = static_cast<char16_t>(wParam);
            event.wKeyState = keyState();
            event.wParam = wParam;
            event.lParam = lParam;
            event.dwTimestamp = GetTickCount();
            m_pFocus->Event(event);
            break;
        }
        default:
            break;
    }
    return false;
}

void CPaintManagerUI::mouseEvent(CControlUI* target, int type, WPARAM wParam, LPARAM lParam,
                                 POINT pt) {
    TEventUI event;
    event.Type = type;
    event.pSender = target;
    event.ptMouse = pt;
    event.wKeyState = static_cast<WORD>(LOWORD(wParam));
    event.wParam = wParam;
    event.lParam = lParam;
    event.dwTimestamp = GetTickCount();
    target->Event(event);
}

void CPaintManagerUI::paint() {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWndPaint, &ps);
    if (hdc == nullptr) {
        return;
    }
    RECT paintRect = ps.rcPaint;
    if (m_pRoot != nullptr && (m_bUpdateNeeded || m_pRoot->IsUpdateNeeded())) {
        m_bUpdateNeeded = false;
        RECT client;
        GetClientRect(m_hWndPaint, &client);
        if (!IsRectEmpty(&client)) {
            m_pRoot->SetPos(client);
            // After a relayout every control paints, as after a whole-window invalidation: Qt
            // leaves the areas under native children (the browser view) out of the paint
            // event, and the controls behind them must still place their windows. The painter
            // clips to the event's area.
            paintRect = client;
            if (m_bFirstLayout) {
                m_bFirstLayout = false;
                // The handlers may add native content (the browser view), which on a real display
                // replaces the surface this paint draws on: notify once the paint is over.
                if (QWidget* widget = orvex::WidgetFromHandle(m_hWndPaint)) {
                    QTimer::singleShot(0, widget, [this] {
                        if (std::find(managers.begin(), managers.end(), this) != managers.end() &&
                            m_pRoot != nullptr) {
                            SendNotify(m_pRoot, DUI_MSGTYPE_WINDOWINIT);
                        }
                    });
                }
            }
        }
    }
    QPainter* painter = orvex::PainterFromDC(hdc);
    QRect area(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
               ps.rcPaint.bottom - ps.rcPaint.top);
    if (QWidget* widget = orvex::WidgetFromHandle(m_hWndPaint)) {
        painter->fillRect(area, widget->palette().window());
    }
    if (m_pRoot != nullptr) {
        m_pRoot->DoPaint(hdc, paintRect);
    }
    EndPaint(m_hWndPaint, &ps);
}

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
    if (pControl == nullptr) {
        return false;
    }
    m_pFocus = nullptr;
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    delete m_pRoot;
    m_mNameHash.clear();
    m_pRoot = pControl;
    m_bUpdateNeeded = true;
    m_bFirstLayout = true;
    return InitControls(pControl);
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
    if (pControl == nullptr) {
        return false;
    }
    pControl->SetManager(this, pParent != nullptr ? pParent : pControl->GetParent(), true);
    pControl->FindControl(registerName, &m_mNameHash, UIFIND_ALL);
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    if (pControl == m_pEventClick) {
        m_pEventClick = nullptr;
    }
    if (pControl == m_pEventHover) {
        m_pEventHover = nullptr;
    }
    if (pControl == m_pFocus) {
        m_pFocus = nullptr;
    }
    if (pControl == m_pRoot) {
        m_pRoot = nullptr;
    }
    auto it = m_mNameHash.find(pControl->GetName());
    if (it != m_mNameHash.end() && it->second == pControl) {
        m_mNameHash.erase(it);
    }
}

void CPaintManagerUI::RenameControl(CControlUI* pControl, const CDuiString& oldName) {
    auto it = m_mNameHash.find(oldName);
    if (it != m_mNameHash.end() && it->second == pControl) {
        m_mNameHash.erase(it);
    }
    if (!pControl->GetName().empty() && m_mNameHash.count(pControl->GetName()) == 0) {
        m_mNameHash[pControl->GetName()] = pControl;
    }
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    if (m_pRoot == nullptr) {
        return nullptr;
    }
    return m_pRoot->FindControl(findFromPoint, &pt,
                                UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR pstrName) const {
    auto it = m_mNameHash.find(pstrName != nullptr ? pstrName : "");
    return it == m_mNameHash.end() ? nullptr : it->second;
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
    if (pControl != nullptr && GetFocus() != pControl && ::GetFocus() != m_hWndPaint) {
        ::SetFocus(m_hWndPaint);
    }
    if (pControl == m_pFocus) {
        return;
    }
    if (CControlUI* old = m_pFocus) {
        TEventUI event;
        event.Type = UIEVENT_KILLFOCUS;
        event.pSender = pControl;
        event.dwTimestamp = GetTickCount();
        m_pFocus = nullptr;
        old->Event(event);
        SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
    }
    if (pControl == nullptr || pControl->GetManager() != this || !pControl->IsVisible() ||
        !pControl->IsEnabled()) {
        return;
    }
    m_pFocus = pControl;
    TEventUI event;
    event.Type = UIEVENT_SETFOCUS;
    event.pSender = pControl;
    event.dwTimestamp = GetTickCount();
    pControl->Event(event);
    SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl) {
    return addUnique(m_aNotifiers, pControl);
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl) {
    return removeItem(m_aNotifiers, pControl);
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg) {
    std::vector<INotifyUI*> notifiers = m_aNotifiers;
    for (INotifyUI* notifier : notifiers) {
        if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) != m_aNotifiers.end()) {
            notifier->Notify(Msg);
        }
    }
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam,
                                 LPARAM lParam) {
    TNotifyUI msg;
    msg.sType = pstrMessage;
    msg.pSender = pControl;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.dwTimestamp = GetTickCount();
    SendNotify(msg);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
    return addUnique(m_aMessageFilters, pFilter);
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
    return removeItem(m_aMessageFilters, pFilter);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter) {
    return addUnique(m_aPreMessageFilters, pFilter);
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter) {
    return removeItem(m_aPreMessageFilters, pFilter);
}

void CPaintManagerUI::Invalidate(const RECT& rcItem) {
    if (m_hWndPaint != nullptr) {
        InvalidateRect(m_hWndPaint, &rcItem, FALSE);
    }
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    m_szInitWindowSize = SkinSize{cx, cy};
    if (m_pRoot == nullptr && m_hWndPaint != nullptr) {
        RECT rect;
        GetWindowRect(m_hWndPaint, &rect);
        MoveWindow(m_hWndPaint, rect.left, rect.top, cx, cy, TRUE);
    }
}

void CPaintManagerUI::SetMinInfo(int cx, int cy) {
    m_szMinWindow = SkinSize{cx, cy};
    if (QWidget* widget = orvex::WidgetFromHandle(m_hWndPaint)) {
        widget->setMinimumSize(cx, cy);
    }
}

const QImage* CPaintManagerUI::GetImage(const CDuiString& name) {
    if (name.empty()) {
        return nullptr;
    }
    auto it = m_mImageHash.find(name);
    if (it == m_mImageHash.end()) {
        QImage image(QString::fromStdString(orvex::AnsiToUtf8(ResourceFile(name).c_str())));
        it = m_mImageHash.emplace(name, image).first;
    }
    return it->second.isNull() ? nullptr : &it->second;
}

}  // namespace DuiLib
