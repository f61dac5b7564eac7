#pragma once

#include <array>
#include <memory>

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/EditorHandOvers.h"
#include "engine/RelaxedAtomic.h"
#include "ui/look/ZibLookAndFeel.h"

class KeysteadProcessor;

/** The engine's editor: the whole visible face of the program, 734 x 564 pixels, lying over a
    line drawing of a woman at the piano.

    Construction builds the forty children hidden, showing the engine's current values, and
    starts the "Editor Building" thread, which paces the reveal: the title blinks in, then the
    controls appear together while the picture fades down to 35 %. Every step of the reveal is
    carried out on the message thread in handleAsyncUpdate.

    The engine tells the editor of notes, chords, new dots and tempo changes through its
    EditorHandOvers, on the audio thread; each only posts work to the message thread.

    The children are public: the animated label reads the tempo switch, the chord strip's bars
    reach the strip through the active editor, and the tests inspect them.
*/
class KeysteadEditor : public juce::AudioProcessorEditor,
                       public juce::Thread,
                       public juce::AsyncUpdater,
                       public juce::Button::Listener,
                       public juce::Slider::Listener,
                       public EditorHandOvers
{
public:
    /** The editor for the engine (the engine's editor factory): built from the engine's current
        values, brought into what the controls can show. */
    static juce::AudioProcessorEditor* CreateEditor (KeysteadProcessor& engine);

    /** The engine's current values, in the order the engine passes them. The two limits of the
        click dial are kept by reference: the dial reads and writes the engine's fields. A note
        value outside 1 to 4 selects the nearest note-value toggle. */
    KeysteadEditor (juce::AudioProcessor& processorToEdit,
                    int goodNoMetronome,
                    int noChordNoMetronome,
                    RelaxedAtomic<float>& goodMetronome,
                    RelaxedAtomic<float>& noChordMetronome,
                    bool tempoMode,
                    bool metronomeMode,
                    int tempo,
                    int subdivisor,
                    float clickVolume,
                    float booVolume);

    /** Stops the reveal and every widget thread before any child is deleted. */
    ~KeysteadEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    /** The engine's notification channel, called on the audio thread: white announces a
        note-on, any other colour a judged chord whose spread travels in parameterIndex. */
    void setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info) override;

    // The engine's hand-overs (audio thread). The two signals travel through setControlHighlight.
    void NoteOnSignal() override;
    void ChordSpreadSignal (float spreadMs) override;
    void NewDot (float offsetFromReference, float dotRadius) override;
    void PhaseDisplayUpdate() override;
    void TempoChange (double newTempo, double oldTempo) override;

    /** Where the halo of a new dot is centred on a phase display of the given size: the dot's
        offset from the reference as an angle clockwise from 12 o'clock, at its drawing radius. */
    static juce::Point<int> NewDotCentre (float offsetFromReference, float dotRadius, int width, int height) noexcept;

    /** The reveal's pacing; it only waits, counts buildStep and triggers updates. */
    void run() override;

    /** Performs the reveal step that buildStep holds when it runs. */
    void handleAsyncUpdate() override;

    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;

    /** Refreshes the active panel's count, average and worst labels from the engine's
        statistics and empties the other panel's; after a stop with at least ten judged notes
        or chords it also plays the result animation and its verdict sound. */
    void DisplayWorstAndAverage();

    /** Switches between the tempo half (click dial) and the chord half (chord strip): enabling,
        mouse clicks, dimmed labels and which result panel shows. */
    void SetGuiForDependingOnTempo (bool tempoOn);

    /** The looks of a stopped and of a running analysis: the mode switch enabled or locked,
        START blinking or not, the instruction or the result animation. */
    void ShowStoppedLook();
    void ShowRunningLook();

    /** The engine this editor was built on, or null if it was built on another processor. */
    KeysteadProcessor* GetEngine() const noexcept;

    /** A weak pointer to this editor, made while it is built on the message thread, so the
        audio thread can hand a copy to a posted update without creating one: the update then
        finds the editor gone instead of using it after it is deleted. */
    const juce::Component::SafePointer<KeysteadEditor> self { this };

    static constexpr int editorWidth = 734;
    static constexpr int editorHeight = 564;

    /** The green of the good zones and the pink of the bad zones. */
    static const juce::Colour MS_GOOD_COLOUR;
    static const juce::Colour MS_BAD_COLOUR;

    /** The opacity of the mode not selected: its zones, lines, bars and texts show at 0x77. */
    static constexpr float INACTIVE_ALPHA = 0.4666f;

    /** A quarter turn in radians; phases and dial limits are turned into angles with it. */
    static constexpr double PI_OVER_2 = 1.5707963267948966;

    /** The window's background picture (734 x 564), decoded once on first use through the image
        cache and kept until the program ends. Empty if it cannot be decoded. */
    static juce::Image& GetBackground();

    // The animated children: each is a component with its own small thread that only waits,
    // changes one field and posts an update; the update does the work on the message thread.
    // Their owner starts them, asks them to exit, and stops them before destroying them.
    class TwinkelingToggleButton;
    class TwinklelingLabel;
    class MidiInLight;

    // The three live displays.
    class DisplayComponent;         // the chord strip
    class ClickDisplayComponent;    // the click dial
    class S1ListDisplayComponent;   // the phase dots over the dial

    //==============================================================================
    juce::TooltipWindow tooltipWindow;

    /** The reveal's step counter: written by the editor's thread, read on the message thread. */
    RelaxedAtomic<int> buildStep { 0 };

    ZibLookAndFeel editorLookAndFeel;

    /** The background picture's opacity; the look and feel draws the widget faces at it too. */
    float backgroundFade = 1.0f;

    /** The note-value toggles, quarter, eighth, triplet, sixteenth: entry n - 1 stands for n
        notes per beat. */
    std::array<juce::ToggleButton*, 4> noteButtons {};

    // The children, in creation order, which is also their stacking order (first at the bottom).
    std::unique_ptr<juce::Label> titleLabel;
    std::unique_ptr<TwinkelingToggleButton> startButton;
    std::unique_ptr<juce::ToggleButton> stopButton;
    std::unique_ptr<juce::Slider> tempoSlider;
    std::unique_ptr<juce::Label> tempoSliderLabel;
    std::unique_ptr<juce::ToggleButton> quarterNoteButton;
    std::unique_ptr<juce::ToggleButton> eighthNoteButton;
    std::unique_ptr<juce::ToggleButton> tripletNoteButton;
    std::unique_ptr<juce::ToggleButton> sixteenthNoteButton;
    std::unique_ptr<juce::Label> tripletMarkLabel;
    std::unique_ptr<juce::Label> notesAverageCaption;
    std::unique_ptr<juce::Label> notesCountCaption;
    std::unique_ptr<juce::Label> notesAverageLabel;
    std::unique_ptr<juce::Label> notesCountLabel;
    std::unique_ptr<DisplayComponent> chordDisplay;
    std::unique_ptr<juce::Label> scaleMinLabel;
    std::unique_ptr<juce::Label> scaleMaxLabel;
    std::unique_ptr<juce::Label> worstNoteLabel;
    std::unique_ptr<juce::Slider> booVolumeSlider;
    std::unique_ptr<juce::Label> booVolumeCaption;
    std::unique_ptr<juce::Slider> metronomeVolumeSlider;
    std::unique_ptr<juce::Label> metronomeVolumeCaption;
    std::unique_ptr<juce::Label> volumesHeader;
    std::unique_ptr<juce::Label> midiInCaption;
    std::unique_ptr<MidiInLight> midiInLight;
    std::unique_ptr<ClickDisplayComponent> clickDisplay;
    std::unique_ptr<juce::ToggleButton> tempoOffButton;
    std::unique_ptr<juce::Label> chordsAverageCaption;
    std::unique_ptr<juce::Label> chordsCountCaption;
    std::unique_ptr<juce::Label> chordsAverageLabel;
    std::unique_ptr<juce::Label> chordsCountLabel;
    std::unique_ptr<juce::Label> worstChordCaption;
    std::unique_ptr<juce::Label> worstChordLabel;
    std::unique_ptr<juce::Label> worstNoteCaption;
    std::unique_ptr<juce::Label> tempoHeader;
    std::unique_ptr<S1ListDisplayComponent> s1ListDisplay;
    std::unique_ptr<juce::ToggleButton> tempoOnButton;
    std::unique_ptr<TwinklelingLabel> instructionLabel;
    std::unique_ptr<TwinklelingLabel> resultLabel;
    std::unique_ptr<juce::ToggleButton> metronomeButton;

    /** Drawn above the note-value toggles. */
    juce::Image quarterNoteImage;
    juce::Image eighthNoteImage;
    juce::Image sixteenthNoteImage;

private:
    void CreateChildren (juce::AudioProcessor& processorToEdit,
                         int goodNoMetronome, int noChordNoMetronome,
                         RelaxedAtomic<float>& goodMetronome, RelaxedAtomic<float>& noChordMetronome);

    /** The reveal thread's short steps up to that step, one update each; false once asked to end. */
    bool RevealStepsUntil (int step);

    /** Starts an animated child's thread. One told to end may still be finishing its last wait,
        and a start would then do nothing: it is ended first, which is quick, as the stop wakes it. */
    static void StartAnimation (juce::Thread& animation);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KeysteadEditor)
};
