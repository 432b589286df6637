// Building the four panels and wiring their controls to the handlers.

#include "controls/LayoutFont.h"
#include "mixer/MixerPanels.h"
#include "mixer/PanelBuilders.h"

#include <algorithm>

namespace vireo {
namespace {

constexpr int kPanelTop = 8;
constexpr int kDesignInterval = 250;

void FillComboBox(TComboBox* box, const auto& types) {
    for (const auto& entry : types)
        box->AddItem(entry.name);
    box->SetItemIndex(-1);
}

// A control's handler also runs when another handler sets the control (a load, a reset): its
// error ends that handler too, so it goes on to whoever set it.
template <typename Control>
void Wire(MixerPanels* panels, Control* control, void (MixerPanels::*handler)()) {
    QObject::connect(control, &Control::changed, panels, handler);
}

} // namespace

using namespace panel;

MixerPanels::MixerPanels(QWidget* parent, TMidiOutput& port)
    : QObject(parent)
    , port_(port)
    , sender_(port) {
    windowVisible = [window = QPointer<QWidget>(parent)] {
        return window && window->window()->isVisible();
    };
    buildMasterPanel(parent);
    buildMidiPanel(parent);
    buildDigitalPanel(parent);
    buildEffectsPanel(parent);
    for (QWidget* panel : {Panel1, Panel3, Panel2, Panel4})
        FitCaptions(panel);
    alignEffectLists();
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(kDesignInterval);
    connectControls();
    connectDigitalControls();
}

MixerPanels::~MixerPanels() = default;

void MixerPanels::SetResetButton(QWidget* button) {
    resetButton_ = button;
}

void MixerPanels::buildMasterPanel(QWidget* parent) {
    const QString hint = tr("Master Volume Of All Output (Relative Volume Of 16 MIDI Channels)");
    const QString volume = tr("Master Volume");
    Panel1 = MakePanel(parent, "Panel1", 8, kPanelTop, 70);
    Label3 = MakeHeading(Panel1, "Label3", tr("MASTER"));
    Label12 = MakeLabel(Panel1, "Label12", tr("Volume"), 15, kRowLabelTop);
    VolumeTrackBar = MakeTrackBar(Panel1, "VolumeTrackBar", 15, volume, hint);
    VolumeSpinEdit = MakeSpinEdit(Panel1, "VolumeSpinEdit", 15, volume, hint);
    PeriodicRefresh =
        MakeCheckBox(Panel1, "PeriodicRefresh", tr("Refre&sh"), 8, 57, tr("Master Refresh"),
                     tr("Refresh Master Volume Periodically As Selected In Preferences"));
}

void MixerPanels::buildMidiPanel(QWidget* parent) {
    const QString volume = tr("Absolute Volume Of All 16 MIDI Channels");
    const QString reverb = tr("Absolute Reverb Of All 16 MIDI Channels");
    const QString chorus = tr("Absolute Chorus Of All 16 MIDI Channels");
    Panel3 = MakePanel(parent, "Panel3", 79, kPanelTop, 162);
    Label10 = MakeHeading(Panel3, "Label10", tr("MIDI CONTROL"));
    Label13 = MakeLabel(Panel3, "Label13", tr("Volume"), 12, kRowLabelTop);
    Label14 = MakeLabel(Panel3, "Label14", tr("Reverb"), 60, kRowLabelTop);
    Label15 = MakeLabel(Panel3, "Label15", tr("Chorus"), 108, kRowLabelTop);
    MIDITrackBar = MakeTrackBar(Panel3, "MIDITrackBar", 12, tr("MIDI Volume"), volume);
    MIDIReverbTrackBar = MakeTrackBar(Panel3, "MIDIReverbTrackBar", 60, tr("MIDI Reverb"), reverb);
    MIDIChorusTrackBar = MakeTrackBar(Panel3, "MIDIChorusTrackBar", 108, tr("MIDI Chorus"), chorus);
    MIDISpinEdit = MakeSpinEdit(Panel3, "MIDISpinEdit", 12, tr("MIDI Volume"), volume);
    MIDIReverbSpinEdit = MakeSpinEdit(Panel3, "MIDIReverbSpinEdit", 60, tr("MIDI Reverb"), reverb);
    MIDIChorusSpinEdit = MakeSpinEdit(Panel3, "MIDIChorusSpinEdit", 108, tr("MIDI Chorus"), chorus);
    MIDIRefresh = MakeCheckBox(
        Panel3, "MIDIRefresh", tr("Refres&h"), 8, 65, tr("MIDI Refresh"),
        tr("Refresh Midi Control Reverb and Chorus Periodically As Selected In Preferences"));
}

void MixerPanels::buildDigitalPanel(QWidget* parent) {
    const QString volume = tr("Master Volume Of Digital Effects");
    const QString reverb = tr("Reverb Send Level");
    const QString chorus = tr("Chorus Send Level");
    const QString variation = tr("Variation Send Level");
    const QString dry = tr("Amount Of Dry Signal Applied To Digital Effects");
    Panel2 = MakePanel(parent, "Panel2", 242, kPanelTop, 255);
    Label9 = MakeHeading(Panel2, "Label9", tr("DIGITAL CONTROL"));
    Label7 = MakeLabel(Panel2, "Label7", tr("Volume"), 12, kRowLabelTop);
    Label4 = MakeLabel(Panel2, "Label4", tr("Reverb"), 60, kRowLabelTop);
    Label5 = MakeLabel(Panel2, "Label5", tr("Chorus"), 108, kRowLabelTop);
    Label6 = MakeLabel(Panel2, "Label6", tr("Variation"), 156, kRowLabelTop);
    Label1 = MakeLabel(Panel2, "Label1", tr("Dry"), 204, kRowLabelTop);
    ADVolumeTrackBar = MakeTrackBar(Panel2, "ADVolumeTrackBar", 12, tr("Digital Volume"), volume);
    ReverbTrackBar = MakeTrackBar(Panel2, "ReverbTrackBar", 60, tr("Digital Reverb"), reverb);
    ChorusTrackBar = MakeTrackBar(Panel2, "ChorusTrackBar", 108, tr("Digital Chorus"), chorus);
    VariationTrackBar = MakeTrackBar(Panel2, "VariationTrackBar", 156, tr("Variation"), variation);
    DryTrackBar = MakeTrackBar(Panel2, "DryTrackBar", 204, tr("Dry"), dry);
    ADVolumeSpinEdit = MakeSpinEdit(Panel2, "ADVolumeSpinEdit", 12, tr("Digital Volume"), volume);
    ReverbSpinEdit = MakeSpinEdit(Panel2, "ReverbSpinEdit", 60, tr("Digital Reverb"), reverb);
    ChorusSpinEdit = MakeSpinEdit(Panel2, "ChorusSpinEdit", 108, tr("Digital Chorus"), chorus);
    VariationSpinEdit = MakeSpinEdit(Panel2, "VariationSpinEdit", 156, tr("Variation"), variation);
    DrySpinEdit = MakeSpinEdit(Panel2, "DrySpinEdit", 204, tr("Dry"), dry);
    LockADPart = MakeCheckBox(Panel2, "LockADPart", tr("&Lock"), 12, 57, QString(),
                              tr("Lock/Unlock Digital Effects"));
}

void MixerPanels::buildEffectsPanel(QWidget* parent) {
    Panel4 = MakePanel(parent, "Panel4", 498, kPanelTop, 127);
    Label16 = MakeHeading(Panel4, "Label16", tr("EFFECTS"));
    Label11 = MakeLabel(Panel4, "Label11", tr("&Reverb"), 8, 24);
    ReverbComboBox = MakeComboBox(Panel4, "ReverbComboBox", 41, tr("Reverb effect"),
                                  tr("Type Of Reverb Effect"));
    Label8 = MakeLabel(Panel4, "Label8", tr("&Chorus"), 8, 79);
    ChorusComboBox = MakeComboBox(Panel4, "ChorusComboBox", 96, tr("Chorus effect"),
                                  tr("Type Of Chorus Effect"));
    Label2 = MakeLabel(Panel4, "Label2", tr("&Variation"), 8, 134);
    VariationComboBox = MakeComboBox(Panel4, "VariationComboBox", 151, tr("Variation effect"),
                                     tr("Type Of Variation Effect"));
    Label11->setBuddy(ReverbComboBox);
    Label8->setBuddy(ChorusComboBox);
    Label2->setBuddy(VariationComboBox);
    FillComboBox(ReverbComboBox, synth::kReverbTypes);
    FillComboBox(ChorusComboBox, synth::kChorusTypes);
    FillComboBox(VariationComboBox, synth::kVariationTypes);
}

// The three effect lists stay one column: as wide as the widest of them.
void MixerPanels::alignEffectLists() {
    const int width =
        std::max({ReverbComboBox->width(), ChorusComboBox->width(), VariationComboBox->width()});
    for (QWidget* list : {ReverbComboBox, ChorusComboBox, VariationComboBox})
        list->resize(width, list->height());
}

void MixerPanels::connectControls() {
    const auto wire = [this](auto* control, auto handler) { Wire(this, control, handler); };
    wire(VolumeTrackBar, &MixerPanels::VolumeTrackBarChange);
    wire(VolumeSpinEdit, &MixerPanels::VolumeSpinEditChange);
    wire(MIDITrackBar, &MixerPanels::MIDITrackBarChange);
    wire(MIDISpinEdit, &MixerPanels::MIDISpinEditChange);
    wire(MIDIReverbTrackBar, &MixerPanels::MIDIReverbTrackBarChange);
    wire(MIDIReverbSpinEdit, &MixerPanels::MIDIReverbSpinEditChange);
    wire(MIDIChorusTrackBar, &MixerPanels::MIDIChorusTrackBarChange);
    wire(MIDIChorusSpinEdit, &MixerPanels::MIDIChorusSpinEditChange);
    wire(ReverbComboBox, &MixerPanels::ReverbComboBoxChange);
    wire(ChorusComboBox, &MixerPanels::ChorusComboBoxChange);
    wire(VariationComboBox, &MixerPanels::VariationComboBoxChange);
    wire(LockADPart, &MixerPanels::LockADPartClick);
    wire(PeriodicRefresh, &MixerPanels::PeriodicRefreshClick);
    wire(MIDIRefresh, &MixerPanels::MIDIRefreshClick);
    // Only the timer runs the refresh: its errors end here, in the report (RunGuarded).
    connect(&Timer1, &QTimer::timeout, this,
            [this] { RunGuarded(errorReport, [this] { Timer1Timer(); }); });
}

void MixerPanels::connectDigitalControls() {
    const auto wire = [this](auto* control, auto handler) { Wire(this, control, handler); };
    wire(ADVolumeTrackBar, &MixerPanels::ADVolumeTrackBarChange);
    wire(ADVolumeSpinEdit, &MixerPanels::ADVolumeSpinEditChange);
    wire(ReverbTrackBar, &MixerPanels::ReverbTrackBarChange);
    wire(ReverbSpinEdit, &MixerPanels::ReverbSpinEditChange);
    wire(ChorusTrackBar, &MixerPanels::ChorusTrackBarChange);
    wire(ChorusSpinEdit, &MixerPanels::ChorusSpinEditChange);
    wire(VariationTrackBar, &MixerPanels::VariationTrackBarChange);
    wire(VariationSpinEdit, &MixerPanels::VariationSpinEditChange);
    wire(DryTrackBar, &MixerPanels::DryTrackBarChange);
    wire(DrySpinEdit, &MixerPanels::DrySpinEditChange);
}

} // namespace vireo
