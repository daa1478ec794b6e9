#include "LV2PlugInInterface.h"
#include "presets/PresetFolder.h"
#include "shell/Catalogue.h"
#include "shell/HostFacts.h"
#include <cmath>
#include <limits>

namespace {

using lv2layout::Role;

lv2layout::PluginLayout LayoutOf(int effectType, int channels, const CMLVDSPAlgInterface* algorithm) {
    lv2layout::EffectDescription effect;
    const CatalogueRecord* record = Catalogue::FindByEffectType(effectType);
    if (!record || !algorithm) return lv2layout::PluginLayout();
    effect.registeredName = hostfacts::TypeName(record->longName, record->code);
    effect.channels = channels;
    effect.effectType = effectType;
    effect.category = record->category;
    for (int index = 2; index < 2 + algorithm->GetParameterCount(); ++index) {
        const CMLVParameter* p = algorithm->GetParameter(index);
        if (!p) continue;
        effect.parameters.push_back(ParameterDescription{index, p->name, static_cast<int>(p->type),
                                                         p->minValue, p->maxValue, p->step, p->defaultValue,
                                                         p->normalizedDefault, p->labels});
    }
    for (int i = 0; i < algorithm->GetReadoutCount(); ++i)
        if (const CMLVReadout* r = algorithm->GetReadoutInfo(i))
            effect.readouts.push_back(
                ReadoutDescription{r->symbol, r->name, r->unit, r->minValue, r->maxValue});
    // The latency port comes last, so the editor needs no latency probe to find the others.
    return lv2layout::Describe(effect, 0);
}

} // namespace

LV2PlugInInterface::LV2PlugInInterface(int type, int channels, double sampleRate, LV2UI_Write_Function write,
                                       LV2UI_Controller controller, const LV2UI_Touch* touch)
    // The same preset file as the plug-in's own instances.
    : CMLVUIPlugInInterface(type, sampleRate, true, ReadUserFolderChoice()), fWrite(write),
      fController(controller), fTouch(touch), fLayout(LayoutOf(type, channels, Algorithm())),
      fLastReadout(fLayout.ports.size(), std::numeric_limits<float>::quiet_NaN()) {}

const lv2layout::Port* LV2PlugInInterface::PortOfControl(int index) const {
    for (const auto& p : fLayout.ports)
        if ((p.role == Role::Bypass || p.role == Role::Parameter) && p.control == index) return &p;
    return nullptr;
}

void LV2PlugInInterface::WriteControl(int index, float normalized) {
    const lv2layout::Port* port = PortOfControl(index);
    if (!port || !fWrite) return;
    const CMLVParameter* p = Algorithm()->GetParameter(index);
    float plain = normalized >= 0.5f ? 1.0f : 0.0f;
    if (port->role == Role::Parameter) plain = p ? static_cast<float>(p->Denormalize(normalized)) : 0.0f;
    fWrite(fController, static_cast<uint32_t>(port->index), sizeof plain, 0, &plain);
}

void LV2PlugInInterface::TouchControl(int index, bool begin) {
    const lv2layout::Port* port = PortOfControl(index);
    if (port && fTouch) fTouch->touch(fTouch->handle, static_cast<uint32_t>(port->index), begin);
}

void LV2PlugInInterface::PortEvent(uint32_t index, float value) {
    if (index >= fLayout.ports.size() || !std::isfinite(value)) return;
    const lv2layout::Port& port = fLayout.ports[index];
    switch (port.role) {
    case Role::Bypass:
        HostControlChanged(1, value >= 0.5f ? 1.0f : 0.0f);
        break;
    case Role::Parameter:
        if (const CMLVParameter* p = Algorithm()->GetParameter(port.control))
            HostControlChanged(port.control, static_cast<float>(p->Normalize(value)));
        break;
    case Role::Readout:
        SetReadoutValue(port.readout, value);
        PushBack(port, value);
        break;
    case Role::MeterIn:
    case Role::MeterOut:
        SetMeterValue(port.role == Role::MeterOut, port.channel, value);
        break;
    case Role::HostTempo:
        if (value > 0.0f) HostTempoChanged(value);
        break;
    default:
        break;
    }
}

void LV2PlugInInterface::PushBack(const lv2layout::Port& readout, float value) {
    float& last = fLastReadout[static_cast<size_t>(readout.index)];
    const bool changed = !std::isnan(last) && value != last; // the first event tells the state, no news
    last = value;
    if (!changed) return;
    // A tempo or rate set by tapping the footswitch: the host's port follows, unless the value came
    // from the port in the first place.
    if (readout.symbol == "tap_rate") {
        int tapIndex = 0, index = 0;
        CMLVParameter* p = Algorithm()->FindParameter("Tempo", &index);
        if (!p) p = Algorithm()->FindParameter("Rate", &index);
        if (!p || !Algorithm()->FindParameter("Tap", &tapIndex) || GetControlValue(tapIndex) < 0.5f) return;
        const float normalized = static_cast<float>(p->Normalize(value));
        if (std::fabs(normalized - GetControlValue(index)) > 1e-4f) SetControlValue(index, normalized);
        return;
    }
    // A new "Learn" result of the noise gate: threshold and learn switch as the measurement left them.
    if (readout.symbol == "learned_threshold") {
        CMLVParameter* threshold = Algorithm()->GetParameter(2);
        CMLVParameter* learn = Algorithm()->GetParameter(5);
        if (!threshold || !learn) return;
        SetControlValue(2, static_cast<float>(threshold->Normalize(value)));
        SetControlValue(5, 0.0f);
    }
}
