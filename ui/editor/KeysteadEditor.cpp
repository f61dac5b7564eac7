#include "ui/editor/KeysteadEditor.h"

#include "BinaryData.h"
#include "engine/KeysteadProcessor.h"
#include "ui/displays/ClickDisplayComponent.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/widgets/MidiInLight.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/widgets/TwinkelingToggleButton.h"
#include "ui/widgets/TwinklelingLabel.h"

const juce::Colour KeysteadEditor::MS_GOOD_COLOUR (0xFF90EE90);
const juce::Colour KeysteadEditor::MS_BAD_COLOUR (0xFFFF1493);

namespace
{
    constexpr int startStopGroup = 1, noteValueGroup = 2, tempoModeGroup = 3;

    using J = juce::Justification;

    // The two headers sit in a thin outline over a transparent ground.
    void setUpHeaderColours (juce::Label& label)
    {
        label.setColour (juce::Label::backgroundColourId, juce::Colour (0x00ffffff));
        label.setColour (juce::Label::outlineColourId, juce::Colour (0x93000000));
    }

    // A volume slider shows the square root of its gain; a gain no slider could have set (a
    // hand-written settings file) shows as the nearest one that it could.
    double shownVolume (float gain)
    {
        return gain > 0.0f ? std::sqrt ((double) juce::jmin (gain, 1.0f)) : 0.0;
    }

    juce::Image loadPicture (const char* data, int size)
    {
        return juce::ImageCache::getFromMemory (data, size);
    }
}

KeysteadEditor::KeysteadEditor (juce::AudioProcessor& processorToEdit,
                                int goodNoMetronome,
                                int noChordNoMetronome,
                                RelaxedAtomic<float>& goodMetronome,
                                RelaxedAtomic<float>& noChordMetronome,
                                bool tempoMode,
                                bool metronomeMode,
                                int tempo,
                                int subdivisor,
                                float clickVolume,
                                float booVolume)
    : juce::AudioProcessorEditor (processorToEdit),
      juce::Thread ("Editor Building"),
      editorLookAndFeel (GetBackground(), this, &backgroundFade)
{
    JUCE_ASSERT_MESSAGE_THREAD

    CreateChildren (processorToEdit, goodNoMetronome, noChordNoMetronome, goodMetronome, noChordMetronome);

    quarterNoteImage = loadPicture (BinaryData::resource_KeysteadEditor_noire_png,
                                    BinaryData::resource_KeysteadEditor_noire_pngSize);
    eighthNoteImage = loadPicture (BinaryData::resource_KeysteadEditor_croche_png,
                                   BinaryData::resource_KeysteadEditor_croche_pngSize);
    sixteenthNoteImage = loadPicture (BinaryData::resource_KeysteadEditor_doublecroche_png,
                                      BinaryData::resource_KeysteadEditor_doublecroche_pngSize);

    // One preview sound per adjustment: the volumes reach the engine when the mouse is released.
    metronomeVolumeSlider->setChangeNotificationOnlyOnRelease (true);
    booVolumeSlider->setChangeNotificationOnlyOnRelease (true);

    // The sliders show the square root of the gains; setting them must not play a preview.
    metronomeVolumeSlider->setValue (shownVolume (clickVolume), juce::dontSendNotification);
    booVolumeSlider->setValue (shownVolume (booVolume), juce::dontSendNotification);

    scaleMaxLabel->setText (juce::String (KeysteadProcessor::chordStripMs) + " ms", juce::dontSendNotification);

    // The note-value toggles and the two displays keep the framework's own drawing; everything
    // else inherits the picture look from the editor.
    auto& defaultLookAndFeel = getLookAndFeel();
    setLookAndFeel (&editorLookAndFeel);

    noteButtons = { quarterNoteButton.get(), eighthNoteButton.get(),
                    tripletNoteButton.get(), sixteenthNoteButton.get() };

    // The framework's toggles draw their box and tick in white, which the light picture would
    // swallow: in black ink the chosen note value can be seen.
    for (auto* button : noteButtons)
    {
        button->setLookAndFeel (&defaultLookAndFeel);
        button->setColour (juce::ToggleButton::tickColourId, juce::Colours::black);
        button->setColour (juce::ToggleButton::tickDisabledColourId, juce::Colours::black.withAlpha (0.5f));
    }

    // A hand-written settings file can hold any note value: the nearest toggle stands for it.
    // The engine keeps its own value until a toggle is clicked.
    noteButtons[(size_t) (juce::jlimit (1, 4, subdivisor) - 1)]->setToggleState (true, juce::dontSendNotification);

    chordDisplay->setLookAndFeel (&defaultLookAndFeel);
    clickDisplay->setLookAndFeel (&defaultLookAndFeel);

    // The slider keeps within 30 to 250; the engine keeps its own tempo until the slider moves.
    tempoSlider->setValue ((double) tempo, juce::dontSendNotification);

    tempoOnButton->setToggleState (tempoMode, juce::dontSendNotification);
    SetGuiForDependingOnTempo (tempoMode);

    metronomeButton->setToggleState (metronomeMode, juce::dontSendNotification);
    // The mode's half was set up before the switch had its state; its caption follows the switch.
    metronomeVolumeCaption->setEnabled (tempoMode && metronomeMode);

    setSize (editorWidth, editorHeight);

    // The reveal shows the children again step by step.
    for (auto* child : getChildren())
        child->setVisible (false);

    startThread();
}

void KeysteadEditor::CreateChildren (juce::AudioProcessor& processorToEdit,
                                     int goodNoMetronome, int noChordNoMetronome,
                                     RelaxedAtomic<float>& goodMetronome, RelaxedAtomic<float>& noChordMetronome)
{
    // Each child is added on top of the ones before it, so the creation order is the stacking order.
    auto add = [this] (auto& member, auto* child) -> auto&
    {
        member.reset (child);
        addAndMakeVisible (*child);
        return *child;
    };

    auto label = [this, &add] (std::unique_ptr<juce::Label>& member, const juce::String& text, float fontHeight,
                               juce::Justification justification, juce::Rectangle<int> bounds)
    {
        auto& l = add (member, new juce::Label ("new label", text));
        ZibLookAndFeel::SetUpFixedLabel (l, fontHeight, justification);
        l.setBounds (bounds);
    };

    auto toggle = [this, &add] (std::unique_ptr<juce::ToggleButton>& member, const juce::String& text, int radioGroup,
                                juce::Rectangle<int> bounds) -> juce::ToggleButton&
    {
        auto& b = add (member, new juce::ToggleButton (text));
        b.setRadioGroupId (radioGroup);
        b.addListener (this);
        b.setBounds (bounds);
        return b;
    };

    auto noteToggle = [&toggle] (std::unique_ptr<juce::ToggleButton>& member, int x)
    {
        toggle (member, "new toggle button", noteValueGroup, { x, 459, 23, 24 }).setButtonText ({});
    };

    auto volumeSlider = [this, &add] (std::unique_ptr<juce::Slider>& member, juce::Rectangle<int> bounds)
    {
        auto& s = add (member, new juce::Slider (juce::String()));
        s.setRange (0.0, 1.0, 0.0);
        s.setSliderStyle (juce::Slider::LinearHorizontal);
        s.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
        s.addListener (this);
        s.setBounds (bounds);
    };

    using juce::translate;

    label (titleLabel, translate ("KEYSTEAD"), 24.2f, J::centredLeft, { 213, 10, 313, 48 });

    auto& start = add (startButton, new TwinkelingToggleButton ("START"));
    start.setRadioGroupId (startStopGroup);
    start.juce::Button::addListener (this);
    start.setBounds (33, 97, 100, 24);

    toggle (stopButton, "STOP", startStopGroup, { 33, 133, 100, 24 })
        .setToggleState (true, juce::dontSendNotification);

    auto& tempoControl = add (tempoSlider, new juce::Slider (juce::String()));
    tempoControl.setRange (30.0, 250.0, 1.0);
    tempoControl.setSliderStyle (juce::Slider::LinearHorizontal);
    tempoControl.setTextBoxStyle (juce::Slider::TextBoxAbove, false, 60, 20);
    tempoControl.addListener (this);
    tempoControl.setBounds (526, 347, 183, 48);

    label (tempoSliderLabel, translate ("Tempo :"), 15.0f, J::centredLeft, { 519, 344, 64, 24 });

    noteToggle (quarterNoteButton, 550);
    noteToggle (eighthNoteButton, 598);
    noteToggle (tripletNoteButton, 646);
    noteToggle (sixteenthNoteButton, 694);

    auto& mark = add (tripletMarkLabel, new juce::Label ("new label", translate ("3\n")));
    ZibLookAndFeel::SetUpFixedLabel (mark, 15.0f, J::centredLeft, true);
    mark.setBounds (652, 403, 20, 24);

    label (notesAverageCaption, translate ("Average :"), 15.0f, J::centredRight, { 524, 510, 70, 24 });
    label (notesCountCaption, translate ("Number of notes :"), 15.0f, J::centredRight, { 467, 531, 126, 24 });
    label (notesAverageLabel, {}, 15.0f, J::centredLeft, { 596, 509, 124, 24 });
    label (notesCountLabel, {}, 15.0f, J::centredLeft, { 596, 531, 121, 24 });

    auto& strip = add (chordDisplay, new DisplayComponent (*this, dynamic_cast<KeysteadProcessor*> (&processorToEdit),
                                                           goodNoMetronome, noChordNoMetronome));
    strip.setName ("new component");
    strip.setBounds (89, 383, 200, 73);

    label (scaleMinLabel, translate ("0 ms"), 15.0f, J::centredLeft, { 81, 356, 70, 24 });
    label (scaleMaxLabel, {}, 15.0f, J::centredLeft, { 234, 358, 60, 24 });
    label (worstNoteLabel, {}, 15.0f, J::centredLeft, { 596, 489, 124, 24 });

    volumeSlider (booVolumeSlider, { 119, 213, 91, 24 });
    label (booVolumeCaption, translate ("\"Boo\""), 15.0f, J::centredRight, { 51, 213, 67, 24 });
    volumeSlider (metronomeVolumeSlider, { 119, 239, 91, 24 });
    label (metronomeVolumeCaption, translate ("Metronome"), 15.0f, J::centredRight, { 37, 239, 81, 24 });

    auto& volumes = add (volumesHeader, new juce::Label ("new label", translate ("VOLUMES\n")));
    setUpHeaderColours (volumes);
    ZibLookAndFeel::SetUpFixedLabel (volumes, 15.0f, J::centred);
    volumes.setBounds (85, 192, 80, 15);

    label (midiInCaption, translate ("MIDI In"), 12.0f, J::centredRight, { 571, 192, 71, 16 });

    auto& light = add (midiInLight, new MidiInLight());
    light.setName ("new component");
    light.setBounds (642, 194, 12, 12);

    auto& dial = add (clickDisplay, new ClickDisplayComponent (goodMetronome, noChordMetronome));
    dial.setName ("new component");
    dial.setBounds (339, 326, 171, 171);

    toggle (tempoOffButton, "OFF", tempoModeGroup, { 249, 300, 60, 24 })
        .setToggleState (true, juce::dontSendNotification);

    label (chordsAverageCaption, translate ("Average :"), 15.0f, J::centredRight, { 102, 510, 70, 24 });
    label (chordsCountCaption, translate ("Number of chords :"), 15.0f, J::centredRight, { 46, 531, 126, 24 });
    label (chordsAverageLabel, {}, 15.0f, J::centredLeft, { 175, 510, 125, 24 });
    label (chordsCountLabel, {}, 15.0f, J::centredLeft, { 175, 531, 128, 24 });
    label (worstChordCaption, translate ("Your worst chord :"), 15.0f, J::centredRight, { 32, 489, 140, 24 });
    label (worstChordLabel, {}, 15.0f, J::centredLeft, { 175, 489, 126, 24 });
    label (worstNoteCaption, translate ("Your worst note :"), 15.0f, J::centredRight, { 476, 489, 117, 24 });

    auto& tempoTitle = add (tempoHeader, new juce::Label ("new label", translate ("TEMPO")));
    setUpHeaderColours (tempoTitle);
    ZibLookAndFeel::SetUpFixedLabel (tempoTitle, 15.0f, J::centred);
    tempoTitle.setBounds (264, 280, 109, 17);

    auto& dots = add (s1ListDisplay, new S1ListDisplayComponent (processorToEdit));
    dots.setName ("new component");
    dots.setBounds (372, 388, 97, 88);

    toggle (tempoOnButton, "ON", tempoModeGroup, { 333, 300, 60, 24 });

    auto& instruction = add (instructionLabel, new TwinklelingLabel ("new label", juce::CharPointer_UTF8 (
        "You must follow the metronome with accuracy\n (il faut bien suivre le m\xc3\xa9tronome)")));
    ZibLookAndFeel::SetUpFixedLabel (instruction, 26.7f, J::centred);
    instruction.setBounds (163, 53, 532, 137);

    auto& result = add (resultLabel, new TwinklelingLabel ("new label", {}));
    ZibLookAndFeel::SetUpFixedLabel (result, 25.4f, J::centred);
    result.setBounds (257, 56, 209, 106);

    // Named in capitals, which is what the look and feel writes on it; its own text stays lower case.
    auto& metronome = add (metronomeButton, new juce::ToggleButton ("METRONOME"));
    metronome.setButtonText (translate ("metronome"));
    metronome.addListener (this);
    metronome.setBounds (549, 302, 150, 24);
}

KeysteadEditor::~KeysteadEditor()
{
    JUCE_ASSERT_MESSAGE_THREAD

    // No child may go while a thread could still post an update that touches it.
    stopThread (-1);
    startButton->stopThread (-1);
    instructionLabel->stopThread (-1);
    resultLabel->stopThread (-1);
    midiInLight->stopThread (-1);

    titleLabel.reset();
    startButton.reset();
    stopButton.reset();
    tempoSlider.reset();
    tempoSliderLabel.reset();
    quarterNoteButton.reset();
    eighthNoteButton.reset();
    tripletNoteButton.reset();
    sixteenthNoteButton.reset();
    tripletMarkLabel.reset();
    notesAverageCaption.reset();
    notesCountCaption.reset();
    notesAverageLabel.reset();
    notesCountLabel.reset();
    chordDisplay.reset();
    scaleMinLabel.reset();
    scaleMaxLabel.reset();
    worstNoteLabel.reset();
    booVolumeSlider.reset();
    booVolumeCaption.reset();
    metronomeVolumeSlider.reset();
    metronomeVolumeCaption.reset();
    volumesHeader.reset();
    midiInCaption.reset();
    midiInLight.reset();
    clickDisplay.reset();
    tempoOffButton.reset();
    chordsAverageCaption.reset();
    chordsCountCaption.reset();
    chordsAverageLabel.reset();
    chordsCountLabel.reset();
    worstChordCaption.reset();
    worstChordLabel.reset();
    worstNoteCaption.reset();
    tempoHeader.reset();
    s1ListDisplay.reset();
    tempoOnButton.reset();
    instructionLabel.reset();
    resultLabel.reset();
    metronomeButton.reset();

    noteButtons = {};

    // The look and feel goes before the component base: drop the editor's reference to it first.
    setLookAndFeel (nullptr);
}

void KeysteadEditor::resized()
{
    // The chord strip is as wide as its scale; the phase dots lie over the dial.
    if (chordDisplay != nullptr)
        chordDisplay->setBounds (chordDisplay->getBounds().withWidth (KeysteadProcessor::chordStripWidth));

    if (s1ListDisplay != nullptr && clickDisplay != nullptr)
        s1ListDisplay->setBounds (clickDisplay->getBounds());
}

KeysteadProcessor* KeysteadEditor::GetEngine() const noexcept
{
    return dynamic_cast<KeysteadProcessor*> (&processor);
}

juce::Image& KeysteadEditor::GetBackground()
{
    // Function-local static: decoded once, thread-safely, on the first call.
    static juce::Image background = loadPicture (BinaryData::resource_KeysteadEditor_vorthAuPiano_jpg,
                                                 BinaryData::resource_KeysteadEditor_vorthAuPiano_jpgSize);

    return background;
}
