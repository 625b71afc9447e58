#include "platform/duilib/dialog_builder.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/duilib/button_ui.h"
#include "platform/duilib/paint_manager_ui.h"
#include "platform/duilib/tab_layout_ui.h"
#include "platform/win32/debug_output.h"
#include "support/text_conversion.h"

namespace DuiLib {
namespace {

using Attributes = std::vector<std::pair<CDuiString, CDuiString>>;

Attributes attributesOf(const QXmlStreamReader& reader) {
    Attributes out;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        // The skin library keeps its texts in the ANSI code page.
        out.emplace_back(attribute.name().toString().toStdString(),
                         orvex::Utf8ToAnsi(attribute.value().toString().toUtf8().constData()));
    }
    return out;
}

void applyWindowAttributes(CPaintManagerUI* manager, const Attributes& attributes) {
    if (manager == nullptr) {
        return;
    }
    for (const auto& [name, value] : attributes) {
        if (name == "size") {
            SkinSize size = ParseSkinSize(value);
            manager->SetInitSize(size.cx, size.cy);
        } else if (name == "caption") {
            manager->SetCaptionRect(ParseSkinRect(value));
        } else if (name == "sizebox") {
            manager->SetSizeBox(ParseSkinRect(value));
        } else if (name == "mininfo") {
            SkinSize size = ParseSkinSize(value);
            manager->SetMinInfo(size.cx, size.cy);
        }
    }
}

class Parser {
  public:
    Parser(IDialogBuilderCallback* callback, CPaintManagerUI* manager)
        : callback_(callback), manager_(manager) {}

    // Reads the element the reader stands on (a start element) with its children; returns its
    // control or null (unknown class, or no control elements inside a <Window>).
    CControlUI* element(QXmlStreamReader& reader) {
        CDuiString className = reader.name().toString().toStdString();
        Attributes attributes = attributesOf(reader);
        if (className == "Window") {
            applyWindowAttributes(manager_, attributes);
            CControlUI* root = nullptr;
            while (reader.readNextStartElement()) {
                CControlUI* control = element(reader);
                if (root == nullptr) {
                    root = control;
                } else {
                    delete control;  // a window has one root control
                }
            }
            return root;
        }
        CControlUI* control = CDialogBuilder::CreateKnownControl(className);
        if (control == nullptr && callback_ != nullptr) {
            control = callback_->CreateControl(className.c_str(), manager_);
        }
        if (control == nullptr) {
            OutputDebugStringA(("skin: unknown control class " + className + "\n").c_str());
            reader.skipCurrentElement();
            return nullptr;
        }
        auto* container = static_cast<CContainerUI*>(control->GetInterface("IContainer"));
        while (reader.readNextStartElement()) {
            CControlUI* child = element(reader);
            if (child == nullptr) {
                continue;
            }
            if (container != nullptr) {
                container->Add(child);
            } else {
                delete child;
            }
        }
        for (const auto& [name, value] : attributes) {
            control->SetAttribute(name.c_str(), value.c_str());
        }
        return control;
    }

  private:
    IDialogBuilderCallback* callback_;
    CPaintManagerUI* manager_;
};

}  // namespace

CControlUI* CDialogBuilder::CreateKnownControl(const CDuiString& className) {
    if (className == "Control") {
        return new CControlUI();
    }
    if (className == "Container") {
        return new CContainerUI();
    }
    if (className == "VerticalLayout") {
        return new CVerticalLayoutUI();
    }
    if (className == "HorizontalLayout") {
        return new CHorizontalLayoutUI();
    }
    if (className == "TabLayout") {
        return new CTabLayoutUI();
    }
    if (className == "Label" || className == "Text") {
        return new CLabelUI();
    }
    if (className == "Button") {
        return new CButtonUI();
    }
    return nullptr;
}

CControlUI* CDialogBuilder::Create(LPCTSTR xml, LPCTSTR, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent) {
    if (xml == nullptr || *xml == '\0') {
        return nullptr;
    }
    QByteArray text;
    if (xml[0] == '<') {
        text = QByteArray(orvex::AnsiToUtf8(xml).c_str());
    } else {
        QFile file(
            QString::fromStdString(orvex::AnsiToUtf8(CPaintManagerUI::ResourceFile(xml).c_str())));
        if (!file.open(QIODevice::ReadOnly)) {
            OutputDebugStringA(("skin: cannot read " + CDuiString(xml) + "\n").c_str());
            return nullptr;
        }
        text = file.readAll();
    }
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement()) {
        return nullptr;
    }
    Parser parser(pCallback, pManager);
    CControlUI* root = parser.element(reader);
    if (reader.hasError()) {
        OutputDebugStringA(
            ("skin: malformed layout: " + reader.errorString().toStdString() + "\n").c_str());
        delete root;
        return nullptr;
    }
    if (root != nullptr && pParent != nullptr) {
        if (auto* container = static_cast<CContainerUI*>(pParent->GetInterface("IContainer"))) {
            container->Add(root);
        }
    }
    return root;
}

}  // namespace DuiLib
