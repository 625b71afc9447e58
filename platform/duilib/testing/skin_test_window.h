// SkinTestWindow: a skinned window for tests, built like the program's main window: it builds
// its layout on WM_CREATE, answers WM_NCHITTEST with the skin's frame rules, and records the
// notifications and the program's own messages (WM_USER and above) it receives.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/duilib/dialog_builder.h"
#include "platform/duilib/paint_manager_ui.h"
#include "platform/duilib/skin_frame_hit_area.h"
#include "platform/duilib/window_wnd.h"

namespace orvex::testing {

class SkinTestWindow : public DuiLib::CWindowWnd, public DuiLib::INotifyUI {
  public:
    struct Notification {
        std::string type;
        std::string sender;
        WPARAM wParam;
        LPARAM lParam;
    };

    SkinTestWindow(std::string layout, DuiLib::IDialogBuilderCallback* callback)
        : layout_(std::move(layout)), callback_(callback) {}

    DuiLib::CPaintManagerUI& manager() { return manager_; }
    const std::vector<Notification>& notifications() const { return notifications_; }
    int count(const std::string& type) const {
        int n = 0;
        for (const Notification& item : notifications_) {
            n += item.type == type ? 1 : 0;
        }
        return n;
    }
    // Messages at or above WM_USER, in arrival order; `onUserMessage` also sees each one and
    // owns its payload.
    std::vector<MSG> userMessages;
    std::function<void(UINT, WPARAM, LPARAM)> onUserMessage;

    void Notify(DuiLib::TNotifyUI& msg) override {
        notifications_.push_back({msg.sType, msg.pSender != nullptr ? msg.pSender->GetName() : "",
                                  msg.wParam, msg.lParam});
    }

  protected:
    DuiLib::LPCTSTR GetWindowClassName() const override { return "SkinTestWindow"; }
    UINT GetClassStyle() const override { return CS_DBLCLKS; }

    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_CREATE) {
            manager_.Init(m_hWnd);
            DuiLib::CDialogBuilder builder;
            DuiLib::CControlUI* root =
                builder.Create(layout_.c_str(), nullptr, callback_, &manager_);
            if (root == nullptr) {
                return -1;
            }
            manager_.AttachDialog(root);
            manager_.AddNotifier(this);
            return 0;
        }
        if (uMsg == WM_NCHITTEST) {
            return DuiLib::HitTestSkinFrame(manager_, m_hWnd,
                                            POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        }
        if (uMsg >= WM_USER) {
            MSG msg;
            msg.hwnd = m_hWnd;
            msg.message = uMsg;
            msg.wParam = wParam;
            msg.lParam = lParam;
            userMessages.push_back(msg);
            if (onUserMessage) {
                onUserMessage(uMsg, wParam, lParam);
            }
            return 0;
        }
        LRESULT result = 0;
        if (manager_.MessageHandler(uMsg, wParam, lParam, result)) {
            return result;
        }
        return DuiLib::CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }

  private:
    std::string layout_;
    DuiLib::IDialogBuilderCallback* callback_;
    DuiLib::CPaintManagerUI manager_;
    std::vector<Notification> notifications_;
};

}  // namespace orvex::testing
