// The effects' faces driven without a display: host values and published readouts go in through the
// UI-side plug-in interface, the 50 ms tick runs, and the controls and status line are read back.
#include "EditorTestSupport.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/CMLVAutoTunerGUI.h"
#include "ui/panels/CToneMeter.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CVuMeter.h"
#include <malloc.h>
#include <map>

namespace {

// The status line after the host sets plain values: ratios, balance or stereo width, and the width and
// gain texts that follow the equaliser's filter type.
TEST(EditorPanels, StatusTextsFollowTheSettings) {
    const struct {
        int effect;
        std::vector<std::pair<int, double>> values;
        const char* text;
    } cases[] = {// clang-format off
        {35, {{5, 50}}, " Ratio: Inf : 1 "},           {35, {{5, 12}}, " Ratio: 12.00 : 1"},
        {60, {{5, 25}}, " Ratio: 25.00 : 1"},          {60, {{5, 50}}, " Ratio: Inf : 1 "},
        {20, {{6, 0}, {5, 30}}, "Balance: 70.0 % Left"}, {20, {{6, 0}, {5, 60}}, "Balance: 60.0 % Right"},
        {20, {{6, 0}, {5, 52}}, "Balance: Center"},      {20, {{6, 1}, {5, 40}}, "Stereo: 40 %"},
        {20, {{6, 1}, {5, 0}}, "Single Delay"},          {130, {{5, 0}, {4, 1.5}}, "Slope: 1.50"},
        {130, {{5, 2}, {4, 1.2}}, "Bandwidth: 2.40 octaves"}, {130, {{5, 5}, {4, 0.5}}, "Bandwidth: 1.00 octaves"},
        {130, {{5, 3}, {4, 0.7}}, "Q: 0.70"},            {130, {{5, 4}, {2, 6}}, "Gain: 3.00 dB"},
        {130, {{5, 2}, {2, -4}}, "Gain: -4.00 dB"},      {165, {{3, 4}}, "Type: Combo 12V Near"}};
    // clang-format on
    for (const auto& c : cases) {
        Face face(c.effect);
        for (auto [index, value] : c.values)
            face.HostPlain(index, value);
        EXPECT_EQ(face.Status(), c.text) << c.effect;
    }
}

TEST(EditorPanels, CompressorLedFollowsOnlyChangesOfTheFlag) {
    Face cm(35);
    CControl* led = nullptr; // the panel's own LED, over the status LED
    CFrame* frame = cm.editor.GetFrame();
    for (int i = 0; i < frame->getNbViews(); ++i)
        if (frame->getView(i)->isTypeOf("CMovieBitmap") &&
            static_cast<CControl*>(frame->getView(i))->getTag() < 0)
            led = static_cast<CControl*>(frame->getView(i));
    ASSERT_NE(led, nullptr);
    cm.editor.OnTimer();
    EXPECT_FLOAT_EQ(led->getValue(), 2.0f / 9.0f);
    cm.Publish("over_threshold", 1);
    cm.editor.OnTimer();
    EXPECT_FLOAT_EQ(led->getValue(), 1.0f / 3.0f);
    led->setValue(0.0f);
    cm.editor.OnTimer(); // flag unchanged: the LED is left alone
    EXPECT_EQ(led->getValue(), 0.0f);
}

// Inputs on the left edge, outputs on the right, left channel outside.
TEST(EditorPanels, LevelControlMetersShowTheirOwnChannels) {
    Face lc(100);
    lc.plugIn.SetMeterValue(false, 1, 1.0f);
    lc.plugIn.SetMeterValue(true, 0, 0.5f);
    lc.editor.OnTimer();
    lc.Draw();
    std::map<int, int> litAt; // meter's left edge -> LEDs lit
    CFrame* frame = lc.editor.GetFrame();
    for (int i = 0; i < frame->getNbViews(); ++i)
        if (frame->getView(i)->isTypeOf("CVuMeter"))
            litAt[frame->getView(i)->getViewSize().left] =
                static_cast<CVuMeter*>(frame->getView(i))->getLitLeds();
    EXPECT_EQ(litAt, (std::map<int, int>{{14, 0}, {21, 9}, {158, 5}, {165, 0}}));
}

TEST(EditorPanels, SpeakerSimulatorShowsTheRateNoticeOnceAndKeepsIt) {
    Face sp(165);
    sp.editor.OnTimer();
    EXPECT_NE(sp.Status(), "Bypassed: wrong sample rate");
    sp.Publish("low_rate_passthrough", 1);
    sp.editor.OnTimer();
    EXPECT_EQ(sp.Status(), "Bypassed: wrong sample rate");
    CRect dirty;
    sp.editor.GetFrame()->TakeDirtyRect(&dirty);
    sp.editor.OnTimer();
    const CRect statusLine = sp.editor.GetControl(CMLVStompBoxCtrlBaseSet::kTagStatus)->getViewSize();
    EXPECT_FALSE(sp.editor.GetFrame()->TakeDirtyRect(&dirty) && dirty.rectOverlap(statusLine));
    sp.HostPlain(2, -6); // a knob's own text gives way to the notice within the same tick
    EXPECT_EQ(sp.Status(), "Bypassed: wrong sample rate");
}

TEST(EditorPanels, BPMDelayHoldTexts) {
    Face bd(20);
    const int led = CMLVStompBoxCtrlBaseSet::kTagLed;
    bd.Host(4, 1.0f); // endless decay
    EXPECT_EQ(bd.Status(), "Decay: Hold (Bypassing)");
    EXPECT_EQ(bd.Value(led), 0.0f);

    bd.Publish("hold_state", 2);
    bd.Host(1, 1.0f - bd.plugIn.GetControlValue(1));
    EXPECT_EQ(bd.Status(), "Hold Mode: Sampling");
    EXPECT_FLOAT_EQ(bd.Value(led), 1.0f / 3.0f);
    bd.Publish("hold_state", 3); // the instance's next step arrives without a control change
    bd.editor.OnTimer();
    EXPECT_EQ(bd.Status(), "Hold Mode: Playing");
    EXPECT_FLOAT_EQ(bd.Value(led), 5.0f / 9.0f);

    bd.Host(3, 1.0f);
    EXPECT_EQ(bd.Status(), "Room Effect Mode");
}

TEST(EditorPanels, ToneMeterFallsDarkAfterTenRedraws) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 72, 26);
    CBitmap* on = new CBitmap(s);
    CBitmap* off = new CBitmap(s);
    cairo_surface_destroy(s);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 40);
    cairo_t* cr = cairo_create(target);

    CToneMeter* meter = new CToneMeter(CRect(10, 5, 82, 31), on, off, 12, kHorizontal);
    (new CToneMeter(*meter))->forget(); // a copy shares the bitmaps and gives them back
    meter->setValue(1.0f);
    meter->draw(cr);
    EXPECT_EQ(meter->getOnRect(), CRect(10, 5, 82, 31));
    meter->setValue(0.0f);
    for (int redraw = 1; redraw <= 10; ++redraw) {
        meter->draw(cr);
        EXPECT_EQ(meter->getOnRect().right, 82); // lit from the right edge
        EXPECT_EQ(meter->getOnRect().getWidth() == 0, redraw == 10) << "redraw " << redraw;
    }
    meter->forget();
    EXPECT_EQ(on->getRefCount(), 1);
    on->forget();
    off->forget();
    cairo_destroy(cr);
    cairo_surface_destroy(target);
}

TEST(EditorPanels, TunerBarsLampsAndTexts) {
    Face at(10);
    auto* panel = static_cast<CMLVAutoTunerGUI*>(at.editor.GetPanel());
    at.Publish("note", 57);
    at.Publish("frequency", 440.0f);
    // 12.5 and 13.0 both light half of the twelve LEDs; flat readings fill the flat bar from the right.
    for (float d : {12.5f, 13.0f, -12.5f, -13.0f}) {
        at.Publish("deviation", d);
        at.editor.OnTimer();
        at.Draw();
        const int flatLit = panel->GetFlatBar()->getOnRect().getWidth() / (72 / 12);
        EXPECT_EQ(d > 0 ? panel->GetSharpBar()->getLitLeds() : flatLit, 6) << d;
        EXPECT_EQ(at.Value(CMLVAutoTunerGUI::kTagSharpLamp), d > 0 ? 1.0f : 0.0f);
        EXPECT_EQ(at.Value(CMLVAutoTunerGUI::kTagFlatLamp), d < 0 ? 1.0f : 0.0f);
        EXPECT_EQ(at.Value(CMLVAutoTunerGUI::kTagInTuneLamp), 0.0f);
    }
    EXPECT_EQ(at.Text(CMLVAutoTunerGUI::kTagNote), "A 4");
    EXPECT_EQ(at.Text(CMLVAutoTunerGUI::kTagFrequency), " 440.00 Hz");

    for (float d : {1.0f, -1.0f}) {
        at.Publish("deviation", d);
        at.editor.OnTimer();
        EXPECT_EQ(at.Value(CMLVAutoTunerGUI::kTagInTuneLamp), 1.0f);
        EXPECT_EQ(panel->GetCentreIndicator()->getValue(), 1.0f);
        EXPECT_EQ(panel->GetSharpBar()->getValue() + panel->GetFlatBar()->getValue(), 0.0f);
    }
    at.Publish("frequency", 0.0f);
    at.editor.OnTimer();
    EXPECT_EQ(at.Text(CMLVAutoTunerGUI::kTagFrequency), "");
    EXPECT_EQ(at.Text(CMLVAutoTunerGUI::kTagNote), "A 4");

    at.Publish("frequency", 440.0f);
    at.Host(1, 1.0f); // switched off: everything dark and empty
    EXPECT_EQ(at.Text(CMLVAutoTunerGUI::kTagNote), "");
    EXPECT_EQ(at.Value(CMLVAutoTunerGUI::kTagInTuneLamp), 0.0f);
    EXPECT_EQ(panel->GetCentreIndicator()->getValue(), 0.0f);

    // A click on "+" or "-" moves the reference by one hertz.
    const CMLVParameter* a4 = at.plugIn.Algorithm()->GetParameter(2);
    at.Click(CMLVStompBoxCtrlBaseSet::kTagStepUp);
    EXPECT_FLOAT_EQ(at.plugIn.GetControlValue(2), static_cast<float>(a4->Normalize(441)));
    at.Click(CMLVStompBoxCtrlBaseSet::kTagStepDown);
    at.Click(CMLVStompBoxCtrlBaseSet::kTagStepDown);
    EXPECT_FLOAT_EQ(at.plugIn.GetControlValue(2), static_cast<float>(a4->Normalize(439)));
}

class EveryFace : public ::testing::TestWithParam<int> {};

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd; // large blocks live in their own mappings
}

// Every face: within its memory budget; each control inside the 185 x 320 face and drawn from a bitmap of the
// right size and frame count; an interactive control overlaps another only where the layout table puts both,
// and even then a click on its centre reaches it.
TEST_P(EveryFace, ControlsFitTheFaceAndStayReachable) {
    const CatalogueRecord& record = Catalogue::Records()[GetParam()];
    ASSERT_NE(PanelRegistry::Find(record.effectType), nullptr) << record.code;
    Face fx(record.effectType);
    { // A second editor, the bitmaps already decoded: what one more instance costs, its algorithm included.
        const size_t before = HeapInUse();
        Face second(record.effectType);
        EXPECT_LT(HeapInUse() - before, 2u << 20) << record.code;
    }
    CFrame* frame = fx.editor.GetFrame();
    CMLVStompBoxGUIContainer* container = fx.editor.GetContainer();

    // The decoded artwork has the sizes the layouts are drawn for, and each strip whole frames.
    std::map<const CBitmap*, int> idOf;
    for (const ArtInfo& art : Art::Catalogue()) {
        CBitmap* bitmap = container->GetBitmap(art.id);
        ASSERT_NE(bitmap, nullptr) << art.id;
        idOf[bitmap] = art.id;
        EXPECT_EQ(bitmap->getWidth(), art.width) << art.id;
        EXPECT_EQ(bitmap->getHeight(), art.height) << art.id;
        EXPECT_EQ(art.height % art.frames, 0) << art.id;
    }
    EXPECT_EQ(idOf[frame->getBackground()], Art::FaceForStyle(fx.editor.GetPanel()->GetStyle()));

    const CRect face(0, 0, 185, 320);
    std::vector<CControl*> interactive;
    for (int i = 0; i < frame->getNbViews(); ++i) {
        CView* view = frame->getView(i);
        const CRect r = view->getViewSize();
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= face.right && r.bottom <= face.bottom &&
                    !r.isEmpty())
            << record.code << " view " << i;
        if (!view->isTypeOf("CControl")) continue;
        auto* control = static_cast<CControl*>(view);
        if (const CBitmap* bitmap = control->getBackground()) {
            ASSERT_TRUE(idOf.count(bitmap)) << record.code << " tag " << control->getTag();
            const ArtInfo* art = Art::Find(idOf[bitmap]);
            if (!view->isTypeOf("CVerticalSlider")) { // sliders' handles travel over the whole background
                EXPECT_EQ(r.getWidth(), art->width) << record.code << " bitmap " << art->id;
                EXPECT_EQ(r.getHeight(), Art::FrameHeight(*art)) << record.code << " bitmap " << art->id;
            }
        }
        const bool display = view->isTypeOf("CTextEdit") || view->isTypeOf("CMovieBitmap") ||
                             view->isTypeOf("CVuMeter") || view->isTypeOf("CToneMeter");
        if (view->getMouseEnabled() && view->isVisible() && !display) interactive.push_back(control);
    }

    for (size_t i = 0; i < interactive.size(); ++i)
        for (size_t j = i + 1; j < interactive.size(); ++j) {
            const CRect a = interactive[i]->getViewSize(), b = interactive[j]->getViewSize();
            if (!a.rectOverlap(b)) continue;
            const int la = container->GetLayoutIndex(interactive[i]),
                      lb = container->GetLayoutIndex(interactive[j]);
            EXPECT_TRUE(la >= 0 && lb >= 0) << record.code << ": tags " << interactive[i]->getTag() << " and "
                                            << interactive[j]->getTag() << " overlap off the layout";
            if (la == lb) continue;
            EXPECT_FALSE(a.pointInside(CentreOf(b)) || b.pointInside(CentreOf(a)))
                << record.code << ": tags " << interactive[i]->getTag() << " and "
                << interactive[j]->getTag();
        }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryFace, ::testing::Range(0, Catalogue::kCount),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return std::string(Catalogue::Records()[p.param].code);
                         });

} // namespace
