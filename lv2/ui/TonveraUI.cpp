// The LV2 face of every effect: one X11 UI per effect, shared by its stereo and mono plug-ins. It
// reaches the plug-in only through the port protocol (the host's write function and port events),
// never through the instance.
#include "LV2Features.h"
#include "LV2PlugInInterface.h"
#include "PopupMenuWindow.h"
#include "X11Window.h"
#include "shell/Catalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/widgets/CFrame.h"
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using lv2features::Find;

// The host's sample rate when it tells the UI (options), else the rate the metadata assumes.
double SampleRateOf(const LV2_Feature* const* features) {
    float rate = 0.0f;
    return lv2features::ReadOption(features, LV2_PARAMETERS__sampleRate, LV2_ATOM__Float, &rate) &&
                   rate > 0.0f
               ? rate
               : 48000.0;
}

// The frame inside the window.
class FrameContent : public IWindowContent {
  public:
    explicit FrameContent(CMLVStompBoxGUIEditor& editor) : fEditor(editor) {}
    void Draw(cairo_t* cr, const CRect& dirty) override {
        if (CFrame* f = fEditor.GetFrame()) f->Draw(cr, dirty);
    }
    void MouseDown(CPoint where, int buttons) override {
        if (CFrame* f = fEditor.GetFrame()) f->OnMouseDown(where, buttons);
    }
    void MouseMoved(CPoint where, int buttons) override {
        if (CFrame* f = fEditor.GetFrame()) f->OnMouseMoved(where, buttons);
    }
    void MouseUp(CPoint where, int buttons) override {
        if (CFrame* f = fEditor.GetFrame()) f->OnMouseUp(where, buttons);
    }
    void Key(const CKeyEvent& key) override {
        if (CFrame* f = fEditor.GetFrame()) f->OnKey(key);
    }
    bool WantsKeyboard() const override { return fEditor.IsNameEntryActive(); }
    CRect TakeDirty() override {
        CRect r;
        CFrame* f = fEditor.GetFrame();
        return f && f->TakeDirtyRect(&r) ? r : CRect();
    }

  private:
    CMLVStompBoxGUIEditor& fEditor;
};

class TonveraUI {
  public:
    // Host's UI thread for everything below.
    static TonveraUI* Create(int effectType, int channels, LV2UI_Write_Function write,
                             LV2UI_Controller controller, LV2UI_Widget* widget,
                             const LV2_Feature* const* features) {
        const void* parent = Find<void>(features, LV2_UI__parent);
        auto plugIn =
            std::make_unique<LV2PlugInInterface>(effectType, channels, SampleRateOf(features), write,
                                                 controller, Find<LV2UI_Touch>(features, LV2_UI__touch));
        if (!plugIn->IsValid() || plugIn->Layout().ports.empty()) return nullptr;
        CRect rect;
        auto editor = std::make_unique<CMLVGUIEditorRTAS>(plugIn.get());
        editor->GetEditorRect(&rect);
        auto window = X11Window::Open(static_cast<Window>(reinterpret_cast<uintptr_t>(parent)),
                                      rect.getWidth(), rect.getHeight());
        if (!window) return nullptr;
        auto* ui = new TonveraUI(std::move(plugIn), std::move(editor), std::move(window));
        if (const auto* resize = Find<LV2UI_Resize>(features, LV2_UI__resize))
            resize->ui_resize(resize->handle, rect.getWidth(), rect.getHeight());
        *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(ui->fWindow->Id()));
        return ui;
    }

    ~TonveraUI() {
        fEditor->CloseWindow();
        fWindow->SetContent(nullptr);
    }

    void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
        if (format != 0 || size != sizeof(float) || !buffer) return;
        fPlugIn->PortEvent(port, *static_cast<const float*>(buffer));
    }

    int Idle() {
        fWindow->Pump();
        fPopups.Settle();
        fEditor->Idle();
        const bool typing = fEditor->IsNameEntryActive();
        if (typing && !fFocusTaken) fWindow->TakeKeyboardFocus();
        if (!typing && fFocusTaken) fWindow->ReturnKeyboardFocus();
        fFocusTaken = typing;
        fWindow->Repaint();
        return 0;
    }

  private:
    TonveraUI(std::unique_ptr<LV2PlugInInterface> plugIn, std::unique_ptr<CMLVGUIEditorRTAS> editor,
              std::unique_ptr<X11Window> window)
        : fPlugIn(std::move(plugIn)), fEditor(std::move(editor)), fWindow(std::move(window)),
          fPopups(*fWindow), fContent(*fEditor) {
        fPlugIn->AttachEditor(fEditor.get());
        fEditor->OpenWindow(&fPopups);
        if (CFrame* frame = fEditor->GetFrame()) frame->invalid();
        fWindow->SetContent(&fContent);
        fWindow->Repaint();
    }

    std::unique_ptr<LV2PlugInInterface> fPlugIn;
    std::unique_ptr<CMLVGUIEditorRTAS> fEditor;
    std::unique_ptr<X11Window> fWindow;
    X11PopupHost fPopups;
    FrameContent fContent;
    bool fFocusTaken = false;
};

struct EditorEntry {
    std::string uri;
    LV2UI_Descriptor descriptor{};
};

std::vector<std::unique_ptr<EditorEntry>>& Editors();

// "urn:marlevo:tonvera:bd:mono" -> the BPM delay, one channel.
const CatalogueRecord* RecordOfPlugin(const std::string& uri, int* channels) {
    for (int i = 0; i < Catalogue::kCount; ++i)
        for (int c : {1, 2})
            if (lv2layout::PluginURI(Catalogue::Records()[i].code, c) == uri) {
                *channels = c;
                return &Catalogue::Records()[i];
            }
    return nullptr;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginURI, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    int channels = 2;
    const CatalogueRecord* record = pluginURI ? RecordOfPlugin(pluginURI, &channels) : nullptr;
    if (!record || !widget) return nullptr;
    return TonveraUI::Create(record->effectType, channels, write, controller, widget, features);
}

void Cleanup(LV2UI_Handle h) {
    delete static_cast<TonveraUI*>(h);
}

void PortEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    static_cast<TonveraUI*>(h)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle h) {
    return static_cast<TonveraUI*>(h)->Idle();
}

const void* ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface idle = {Idle};
    if (!std::strcmp(uri, LV2_UI__idleInterface)) return &idle;
    return nullptr;
}

// One editor per effect of the catalogue, in catalogue order.
std::vector<std::unique_ptr<EditorEntry>>& Editors() {
    static std::vector<std::unique_ptr<EditorEntry>> editors = [] {
        std::vector<std::unique_ptr<EditorEntry>> list;
        for (int i = 0; i < Catalogue::kCount; ++i) {
            auto e = std::make_unique<EditorEntry>();
            e->uri = lv2layout::EditorURI(Catalogue::Records()[i].code);
            e->descriptor = LV2UI_Descriptor{e->uri.c_str(), Instantiate, Cleanup, PortEvent, ExtensionData};
            list.push_back(std::move(e));
        }
        return list;
    }();
    return editors;
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    auto& editors = Editors();
    return index < editors.size() ? &editors[index]->descriptor : nullptr;
}
