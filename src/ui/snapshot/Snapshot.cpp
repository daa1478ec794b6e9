#include "ui/snapshot/Snapshot.h"
#include "params/CMLVDSPAlgInterface.h"
#include "presets/PresetFolder.h"
#include "shell/Catalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/widgets/CFrame.h"
#include <cairo.h>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

namespace {
const CatalogueRecord* FindByCode(const std::string& code) {
    const CatalogueRecord* records = Catalogue::Records();
    for (int i = 0; i < Catalogue::kCount; ++i)
        if (strcasecmp(records[i].code, code.c_str()) == 0) return &records[i];
    return nullptr;
}

// The preset's number: a factory preset first, else the most recent user preset of that name.
int FindPreset(const CMLVDSPAlgInterface& alg, const std::string& name) {
    int found = -1;
    for (const auto& e : alg.GetPresets()) {
        if (e.second->name != name) continue;
        if (e.second->isFactory) return e.first;
        found = e.first;
    }
    return found;
}

// A setting's normalised value: a number in plain units, or one of a list parameter's labels.
bool SettingValue(const CMLVParameter& p, const std::string& text, float* normalized) {
    const std::vector<std::string>& labels = p.GetLabels();
    if (p.type == List)
        for (size_t i = 0; i < labels.size(); ++i)
            if (strcasecmp(labels[i].c_str(), text.c_str()) == 0) {
                *normalized = static_cast<float>(p.Normalize(p.minValue + static_cast<double>(i)));
                return true;
            }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') return false;
    *normalized =
        static_cast<float>(p.Normalize(v < p.minValue ? p.minValue : (v > p.maxValue ? p.maxValue : v)));
    return true;
}

int Fail(std::string* error, const std::string& message, int code) {
    *error = message;
    return code;
}
} // namespace

int WriteSnapshot(const SnapshotRequest& request, const std::string& pngPath, std::string* error) {
    const CatalogueRecord* record = FindByCode(request.code);
    if (!record) return Fail(error, "unknown effect \"" + request.code + "\"", 2);
    CMLVUIPlugInInterface plugIn(record->effectType, request.sampleRate, true, ReadUserFolderChoice());
    CMLVDSPAlgInterface* alg = plugIn.Algorithm();
    if (!alg) return Fail(error, "effect \"" + request.code + "\" is not built in", 2);
    plugIn.HostTempoChanged(request.tempo);
    if (!request.preset.empty()) {
        const int number = FindPreset(*alg, request.preset);
        if (number < 0)
            return Fail(error, "unknown preset \"" + request.preset + "\" for " + record->code, 2);
        plugIn.RecallPreset(number);
    }
    for (const auto& setting : request.sets) {
        int index = 0;
        const CMLVParameter* p = nullptr;
        for (int i = 2; i < 2 + alg->GetParameterCount() && !p; ++i)
            if (strcasecmp(alg->GetParameter(i)->GetName().c_str(), setting.first.c_str()) == 0)
                p = alg->GetParameter(index = i);
        if (!p) return Fail(error, "unknown parameter \"" + setting.first + "\" for " + record->code, 2);
        float n = 0.0f;
        if (!SettingValue(*p, setting.second, &n))
            return Fail(error, "bad value \"" + setting.second + "\" for " + setting.first, 2);
        plugIn.SetControlValue(index, n);
    }

    CMLVGUIEditorRTAS editor(&plugIn);
    plugIn.AttachEditor(&editor);
    CScriptedPopupHost popups;
    if (!editor.OpenWindow(&popups)) return Fail(error, "the editor could not open", 1);
    editor.OnTimer(); // the first tick: what the panels' idle hooks show
    cairo_surface_t* surface = editor.GetFrame()->RenderToSurface();
    const cairo_status_t status = cairo_surface_write_to_png(surface, pngPath.c_str());
    cairo_surface_destroy(surface);
    editor.CloseWindow();
    plugIn.AttachEditor(nullptr);
    if (status != CAIRO_STATUS_SUCCESS) return Fail(error, "cannot write \"" + pngPath + "\"", 1);
    return 0;
}

int WriteAllSnapshots(const std::string& dir, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec); // a failure shows as the first file not written
    const CatalogueRecord* records = Catalogue::Records();
    for (int i = 0; i < Catalogue::kCount; ++i) {
        SnapshotRequest request;
        request.code = records[i].code;
        const int rc = WriteSnapshot(request, dir + "/" + records[i].code + ".png", error);
        if (rc == 2 && error->find("not built in") != std::string::npos) continue;
        if (rc != 0) return rc;
    }
    return 0;
}
