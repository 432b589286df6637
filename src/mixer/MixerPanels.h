#pragma once

#include "controls/GuardedHandler.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TSpinEdit.h"
#include "controls/TTrackBar.h"
#include "mixer/SynthSender.h"

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace vireo {

class TMidiOutput;

// The mixer window's four panels (MASTER, MIDI CONTROL, DIGITAL CONTROL, EFFECTS), every
// control on them, and the handlers that turn the controls into messages to the synthesizer.
// The controls are the state: every handler reads them. Port errors (EmidioutputError) are
// not caught here; they end the handler that was sending and leave the controls as they are.
class MixerPanels : public QObject {
    Q_OBJECT
public:
    // Builds the panels on `parent` (the window's client area) at their design places and
    // connects every control to its handler. Sends go to `port`.
    MixerPanels(QWidget* parent, TMidiOutput& port);
    ~MixerPanels() override;
    MixerPanels(const MixerPanels&) = delete;
    MixerPanels& operator=(const MixerPanels&) = delete;

    // --- What the handlers ask of the window ---

    // Is the main window visible? Defaults to the visibility of the parent's window.
    std::function<bool()> windowVisible;
    // The application's error report, for errors that leave the refresh timer's tick; unset,
    // they go on to the event loop.
    ErrorReport errorReport;
    // The window's Reset button, switched together with the digital controls.
    void SetResetButton(QWidget* button);

    SynthSender& Sender() { return sender_; }

    // --- Panels and controls (owned by the parent widget) ---

    QFrame* Panel1 = nullptr; // MASTER
    QLabel* Label3 = nullptr;
    QLabel* Label12 = nullptr;
    TTrackBar* VolumeTrackBar = nullptr;
    TSpinEdit* VolumeSpinEdit = nullptr;
    TCheckBox* PeriodicRefresh = nullptr;

    QFrame* Panel3 = nullptr; // MIDI CONTROL
    QLabel* Label10 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    TTrackBar* MIDITrackBar = nullptr;
    TSpinEdit* MIDISpinEdit = nullptr;
    TTrackBar* MIDIReverbTrackBar = nullptr;
    TSpinEdit* MIDIReverbSpinEdit = nullptr;
    TTrackBar* MIDIChorusTrackBar = nullptr;
    TSpinEdit* MIDIChorusSpinEdit = nullptr;
    TCheckBox* MIDIRefresh = nullptr;

    QFrame* Panel2 = nullptr; // DIGITAL CONTROL
    QLabel* Label9 = nullptr;
    QLabel* Label7 = nullptr; // Volume
    QLabel* Label4 = nullptr; // Reverb
    QLabel* Label5 = nullptr; // Chorus
    QLabel* Label6 = nullptr; // Variation
    QLabel* Label1 = nullptr; // Dry
    TTrackBar* ADVolumeTrackBar = nullptr;
    TSpinEdit* ADVolumeSpinEdit = nullptr;
    TTrackBar* ReverbTrackBar = nullptr;
    TSpinEdit* ReverbSpinEdit = nullptr;
    TTrackBar* ChorusTrackBar = nullptr;
    TSpinEdit* ChorusSpinEdit = nullptr;
    TTrackBar* VariationTrackBar = nullptr;
    TSpinEdit* VariationSpinEdit = nullptr;
    TTrackBar* DryTrackBar = nullptr;
    TSpinEdit* DrySpinEdit = nullptr;
    TCheckBox* LockADPart = nullptr;

    QFrame* Panel4 = nullptr; // EFFECTS
    QLabel* Label16 = nullptr;
    QLabel* Label11 = nullptr; // &Reverb
    QLabel* Label8 = nullptr;  // &Chorus
    QLabel* Label2 = nullptr;  // &Variation
    TComboBox* ReverbComboBox = nullptr;
    TComboBox* ChorusComboBox = nullptr;
    TComboBox* VariationComboBox = nullptr;

    // The refresh timer. Runs while a Refresh box is checked and the period is not 0.
    QTimer Timer1;

    // --- MASTER and MIDI CONTROL ---

    void VolumeTrackBarChange();
    void VolumeSpinEditChange();
    void MIDITrackBarChange();
    void MIDISpinEditChange();
    void MIDIReverbTrackBarChange();
    void MIDIReverbSpinEditChange();
    void MIDIChorusTrackBarChange();
    void MIDIChorusSpinEditChange();

    // --- DIGITAL CONTROL ---

    void ADVolumeTrackBarChange();
    void ADVolumeSpinEditChange();
    void ReverbTrackBarChange();
    void ReverbSpinEditChange();
    void ChorusTrackBarChange();
    void ChorusSpinEditChange();
    void VariationTrackBarChange();
    void VariationSpinEditChange();
    void DryTrackBarChange();
    void DrySpinEditChange();

    // --- EFFECTS and lock ---

    void ReverbComboBoxChange();
    void ChorusComboBoxChange();
    void VariationComboBoxChange();
    void LockADPartClick();
    void EnableDigitalControls(bool enabled);

    // --- Refresh, reset, MIDI reset ---

    void PeriodicRefreshClick();
    void MIDIRefreshClick();
    void Timer1Timer();
    // The period in milliseconds ("Periodic Delay"); 0 stops refreshing.
    void SetRefreshInterval(int milliseconds);
    // For the window's close: stops the timer, leaving the boxes as they are.
    void StopRefresh();
    // For the window's show (and after the Preferences dialog): runs the timer again when a
    // Refresh box is checked.
    void ResumeRefresh();

    void InitializeSynthesizer();
    void SendCurrentSettings();
    // The window's whole state, read from the controls, in the order of a settings load, and
    // last the lock or unlock message for the lock box. Changes no control.
    void SendWholeState();
    void ResetButtonClick();
    void YamahaXG1Click();
    void GSTG300B1Click();
    void GeneralMIDISystemLevel11Click();

signals:
    // The lock was set while the window is visible: the window posts its lock warning request.
    void lockWarningRequested();

private:
    struct LevelRow {
        TTrackBar* bar;
        TSpinEdit* edit;
    };

    void buildMasterPanel(QWidget* parent);
    void buildMidiPanel(QWidget* parent);
    void buildDigitalPanel(QWidget* parent);
    void buildEffectsPanel(QWidget* parent);
    void alignEffectLists();
    void connectControls();
    void connectDigitalControls();

    // The shared halves of every slider/field pair.
    int SyncFieldFromBar(LevelRow row);
    void SpinEditChange(LevelRow row, void (MixerPanels::*barChange)());
    void SendChannelRow(LevelRow row, synth::ChannelController controller);
    void SendADRow(LevelRow row, synth::ADParameter parameter);
    bool MidiPanelShown() const;
    void UpdateRefreshTimer();

    TMidiOutput& port_;
    SynthSender sender_;
    QPointer<QWidget> resetButton_;
};

} // namespace vireo
