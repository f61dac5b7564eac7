// The editor as built from the engine's values: its forty children, what they show, and its
// teardown while widget threads run.

#include "UiTestSupport.h"

using namespace uitest;

namespace
{
    juce::String textOf (juce::Component& c)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&c))
            return label->getText();
        if (auto* button = dynamic_cast<juce::Button*> (&c))
            return button->getButtonText();
        return {};
    }
}

TEST (EditorConstruction, FortyChildrenInTableOrderWithTheirClassTextFontAndBounds)
{
    EditorFixture f;
    auto& e = f.open();
    using Label = juce::Label;
    using Toggle = juce::ToggleButton;
    using Slider = juce::Slider;
    using E = KeysteadEditor;
    constexpr int left = juce::Justification::centredLeft, right = juce::Justification::centredRight;
    constexpr int centred = juce::Justification::centred;
    const char* instruction = "You must follow the metronome with accuracy\n"
                              " (il faut bien suivre le m\xc3\xa9tronome)";

    struct Row { juce::Component* child; const std::type_info& type; const char* text; float font; int just;
                 juce::Rectangle<int> bounds; };
    const Row rows[] = {
        { e.titleLabel.get(), typeid (Label), "KEYSTEAD", 24.2f, left, { 213, 10, 313, 48 } },
        { e.startButton.get(), typeid (E::TwinkelingToggleButton), "START", 0, 0, { 33, 97, 100, 24 } },
        { e.stopButton.get(), typeid (Toggle), "STOP", 0, 0, { 33, 133, 100, 24 } },
        { e.tempoSlider.get(), typeid (Slider), "", 0, 0, { 526, 347, 183, 48 } },
        { e.tempoSliderLabel.get(), typeid (Label), "Tempo :", 15, left, { 519, 344, 64, 24 } },
        { e.quarterNoteButton.get(), typeid (Toggle), "", 0, 0, { 550, 459, 23, 24 } },
        { e.eighthNoteButton.get(), typeid (Toggle), "", 0, 0, { 598, 459, 23, 24 } },
        { e.tripletNoteButton.get(), typeid (Toggle), "", 0, 0, { 646, 459, 23, 24 } },
        { e.sixteenthNoteButton.get(), typeid (Toggle), "", 0, 0, { 694, 459, 23, 24 } },
        { e.tripletMarkLabel.get(), typeid (Label), "3\n", 15, left, { 652, 403, 20, 24 } },
        { e.notesAverageCaption.get(), typeid (Label), "Average :", 15, right, { 524, 510, 70, 24 } },
        { e.notesCountCaption.get(), typeid (Label), "Number of notes :", 15, right, { 467, 531, 126, 24 } },
        { e.notesAverageLabel.get(), typeid (Label), "", 15, left, { 596, 509, 124, 24 } },
        { e.notesCountLabel.get(), typeid (Label), "", 15, left, { 596, 531, 121, 24 } },
        { e.chordDisplay.get(), typeid (E::DisplayComponent), "", 0, 0, { 89, 383, 176, 73 } },
        { e.scaleMinLabel.get(), typeid (Label), "0 ms", 15, left, { 81, 356, 70, 24 } },
        { e.scaleMaxLabel.get(), typeid (Label), "150 ms", 15, left, { 234, 358, 60, 24 } },
        { e.worstNoteLabel.get(), typeid (Label), "", 15, left, { 596, 489, 124, 24 } },
        { e.booVolumeSlider.get(), typeid (Slider), "", 0, 0, { 119, 213, 91, 24 } },
        { e.booVolumeCaption.get(), typeid (Label), "\"Boo\"", 15, right, { 51, 213, 67, 24 } },
        { e.metronomeVolumeSlider.get(), typeid (Slider), "", 0, 0, { 119, 239, 91, 24 } },
        { e.metronomeVolumeCaption.get(), typeid (Label), "Metronome", 15, right, { 37, 239, 81, 24 } },
        { e.volumesHeader.get(), typeid (Label), "VOLUMES\n", 15, centred, { 85, 192, 80, 15 } },
        { e.midiInCaption.get(), typeid (Label), "MIDI In", 12, right, { 571, 192, 71, 16 } },
        { e.midiInLight.get(), typeid (E::MidiInLight), "", 0, 0, { 642, 194, 12, 12 } },
        { e.clickDisplay.get(), typeid (E::ClickDisplayComponent), "", 0, 0, { 339, 326, 171, 171 } },
        { e.tempoOffButton.get(), typeid (Toggle), "OFF", 0, 0, { 249, 300, 60, 24 } },
        { e.chordsAverageCaption.get(), typeid (Label), "Average :", 15, right, { 102, 510, 70, 24 } },
        { e.chordsCountCaption.get(), typeid (Label), "Number of chords :", 15, right, { 46, 531, 126, 24 } },
        { e.chordsAverageLabel.get(), typeid (Label), "", 15, left, { 175, 510, 125, 24 } },
        { e.chordsCountLabel.get(), typeid (Label), "", 15, left, { 175, 531, 128, 24 } },
        { e.worstChordCaption.get(), typeid (Label), "Your worst chord :", 15, right, { 32, 489, 140, 24 } },
        { e.worstChordLabel.get(), typeid (Label), "", 15, left, { 175, 489, 126, 24 } },
        { e.worstNoteCaption.get(), typeid (Label), "Your worst note :", 15, right, { 476, 489, 117, 24 } },
        { e.tempoHeader.get(), typeid (Label), "TEMPO", 15, centred, { 264, 280, 109, 17 } },
        { e.s1ListDisplay.get(), typeid (E::S1ListDisplayComponent), "", 0, 0, { 339, 326, 171, 171 } },
        { e.tempoOnButton.get(), typeid (Toggle), "ON", 0, 0, { 333, 300, 60, 24 } },
        { e.instructionLabel.get(), typeid (E::TwinklelingLabel), instruction, 26.7f, centred, { 163, 53, 532, 137 } },
        { e.resultLabel.get(), typeid (E::TwinklelingLabel), "", 25.4f, centred, { 257, 56, 209, 106 } },
        { e.metronomeButton.get(), typeid (Toggle), "metronome", 0, 0, { 549, 302, 150, 24 } },
    };
    ASSERT_EQ (e.getNumChildComponents(), (int) std::size (rows));

    for (size_t i = 0; i < std::size (rows); ++i)
    {
        const auto& row = rows[i];
        SCOPED_TRACE ("child " + std::to_string (i + 1) + ", " + row.text);
        ASSERT_EQ (e.getChildComponent ((int) i), row.child);
        EXPECT_TRUE (typeid (*row.child) == row.type) << typeid (*row.child).name();
        EXPECT_EQ (textOf (*row.child), juce::String::fromUTF8 (row.text));
        EXPECT_EQ (row.child->getBounds(), row.bounds);
        EXPECT_FALSE (row.child->isVisible());

        if (auto* label = dynamic_cast<juce::Label*> (row.child))
        {
            EXPECT_EQ (label->getFont().getHeight(), row.font);
            EXPECT_EQ (label->getJustificationType().getFlags(), row.just);
            EXPECT_FALSE (label->isEditable());
            EXPECT_EQ (label->findColour (juce::TextEditor::textColourId), juce::Colours::black);
        }
    }

    EXPECT_EQ (e.tripletMarkLabel->getFont().getTypefaceName(), juce::Font::getDefaultSerifFontName());
    for (auto* note : e.noteButtons)   // seen on the light picture
        EXPECT_EQ (note->findColour (juce::ToggleButton::tickColourId), juce::Colours::black);
    EXPECT_EQ (e.metronomeButton->getName(), "METRONOME");   // the look and feel writes the name
    EXPECT_EQ (e.volumesHeader->findColour (juce::Label::outlineColourId), juce::Colour (0x93000000));
}

TEST (EditorConstruction, ShowsTheEnginesValuesWithoutWritingBackOrPlaying)
{
    const struct { const char* name; int tempoMode, metronomeMode; double tempo; int subdivisor; float click, boo;
                   int noteOn; double tempoShown, clickShown, booShown; } rows[] = {
        { "triplet", 0, 0, 120.0, 3, 1.0f, 1.0f, 2, 120, 1.0, 1.0 },
        { "quarter in tempo mode", 1, 1, 120.0, 1, 1.0f, 1.0f, 0, 120, 1.0, 1.0 },
        { "volumes show their roots", 0, 1, 120.0, 2, 0.25f, 1.0f, 1, 120, 0.5, 1.0 },
        { "tempo arrives truncated", 1, 0, 119.9, 4, 0.0f, 0.0f, 3, 119, 0.0, 0.0 },
        { "tempo above the slider", 0, 0, 300.0, 1, 1.0f, 1.0f, 0, 250, 1.0, 1.0 },
        { "tempo below the slider", 0, 0, 12.0, 1, 1.0f, 1.0f, 0, 30, 1.0, 1.0 },
        { "note value above four", 1, 0, 120.0, 9, 1.0f, 1.0f, 3, 120, 1.0, 1.0 },
        { "note value below one", 1, 0, 120.0, -2, 1.0f, 1.0f, 0, 120, 1.0, 1.0 },
        { "volumes out of range", 0, 0, 120.0, 1, 4.0f, -0.5f, 0, 120, 1.0, 0.0 },
        { "volume not a number", 0, 0, 120.0, 1, NAN, 1.0f, 0, 120, 0.0, 1.0 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        auto& engine = f.engine;
        std::tie (engine.tempoMode, engine.metronomeMode, engine.tempo, engine.subdivisor) =
            std::tuple (row.tempoMode, row.metronomeMode, row.tempo, row.subdivisor);
        std::tie (engine.clickVolume, engine.booVolume) = std::tuple (row.click, row.boo);
        auto& e = f.open();
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ (e.noteButtons[(size_t) k]->getToggleState(), k == row.noteOn) << "note toggle " << k;
        EXPECT_EQ (std::tuple (e.tempoOnButton->getToggleState(), e.tempoOffButton->getToggleState(),
                               e.metronomeButton->getToggleState(), e.metronomeVolumeCaption->isEnabled(),
                               e.stopButton->getToggleState(), e.startButton->getToggleState()),
                   std::tuple (row.tempoMode != 0, row.tempoMode == 0, row.metronomeMode != 0,
                               row.tempoMode != 0 && row.metronomeMode != 0, true, false));
        EXPECT_EQ (e.tempoSlider->getValue(), row.tempoShown);
        EXPECT_NEAR (e.metronomeVolumeSlider->getValue(), row.clickShown, 1e-6);
        EXPECT_NEAR (e.booVolumeSlider->getValue(), row.booShown, 1e-6);

        // Building the editor changes nothing in the engine and asks for no sound.
        EXPECT_EQ (std::tuple (engine.tempoMode.load(), engine.metronomeMode.load(), engine.tempo.load(),
                               engine.subdivisor.load()),
                   std::tuple (row.tempoMode, row.metronomeMode, row.tempo, row.subdivisor));
        const auto same = [] (float a, float b) { return a == b || (std::isnan (a) && std::isnan (b)); };
        EXPECT_TRUE (same (engine.clickVolume, row.click) && same (engine.booVolume, row.boo));
        for (const auto& requests : engine.playRequests)
            EXPECT_TRUE (requests.empty());
    }
}

TEST (EditorConstruction, SizeGroupsLooksAndRevealStateWhenTheConstructorReturns)
{
    EditorFixture f;
    auto& e = f.open();

    EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (734, 564));
    EXPECT_EQ (std::tuple (e.buildStep.load(), e.backgroundFade, e.isThreadRunning()), std::tuple (0, 1.0f, true));
    EXPECT_EQ (e.getThreadName(), "Editor Building");

    const std::pair<juce::Button*, int> groups[] = {
        { e.startButton.get(), 1 }, { e.stopButton.get(), 1 }, { e.quarterNoteButton.get(), 2 },
        { e.sixteenthNoteButton.get(), 2 }, { e.tempoOffButton.get(), 3 }, { e.tempoOnButton.get(), 3 },
        { e.metronomeButton.get(), 0 },
    };
    for (auto [button, group] : groups)
        EXPECT_EQ (button->getRadioGroupId(), group) << button->getName();

    // The note toggles and the two displays keep the framework's drawing; the rest is cut from the picture.
    auto& plain = juce::LookAndFeel::getDefaultLookAndFeel();
    for (juce::Component* c : { (juce::Component*) e.eighthNoteButton.get(), (juce::Component*) e.chordDisplay.get(),
                                (juce::Component*) e.clickDisplay.get() })
        EXPECT_EQ (&c->getLookAndFeel(), &plain);
    for (juce::Component* c : { (juce::Component*) e.startButton.get(), (juce::Component*) e.tempoSlider.get(),
                                (juce::Component*) e.titleLabel.get(), (juce::Component*) e.s1ListDisplay.get() })
        EXPECT_EQ (&c->getLookAndFeel(), &e.editorLookAndFeel);

    // Whatever size the editor is given, only the two displays' rules apply.
    std::vector<juce::Rectangle<int>> before;
    for (auto* c : e.getChildren())
        before.push_back (c->getBounds());
    e.chordDisplay->setSize (200, 73);
    e.s1ListDisplay->setBounds (0, 0, 5, 5);
    e.setSize (900, 700);
    for (int i = 0; i < e.getNumChildComponents(); ++i)
        EXPECT_EQ (e.getChildComponent (i)->getBounds(), before[(size_t) i]) << "child " << i + 1;
}

TEST (EditorConstruction, EveryWidgetThreadHasEndedBeforeTheFirstChildGoes)
{
    EditorFixture f;
    auto& e = f.openStill();
    revealStep (e, 8);   // stopped look: START blinks
    e.resultLabel->mode = KeysteadEditor::TwinklelingLabel::badMode;
    ASSERT_TRUE (e.resultLabel->startThread() && e.midiInLight->startThread() && e.startButton->isThreadRunning());

    struct Watcher : juce::ComponentListener
    {
        std::vector<juce::Thread*> threads;
        std::vector<bool> running;   // each thread's, when the first child went
        void componentBeingDeleted (juce::Component&) override
        {
            for (auto* t : threads)
                running.push_back (t->isThreadRunning());
        }
    } watcher;
    watcher.threads = { &e, e.startButton.get(), e.instructionLabel.get(), e.resultLabel.get(), e.midiInLight.get() };
    e.titleLabel->addComponentListener (&watcher);
    f.close();
    EXPECT_EQ (watcher.running, std::vector<bool> (5, false));
}

TEST (EditorConstruction, ClosingDuringThePauseBeforeTheControlsEndsTheRevealThere)
{
    EditorFixture f;
    auto& e = f.open();
    ASSERT_TRUE (pump ([&] { return e.buildStep >= 8; }));

    // The thread is in (or, on a loaded machine, past) the pause after the title steps; closing
    // the editor wakes it and it returns at its next check, finishing at most the step it is in.
    struct Watcher : juce::ComponentListener
    {
        KeysteadEditor* editor = nullptr;
        int stepWhenTheFirstChildWent = -1;
        void componentBeingDeleted (juce::Component&) override { stepWhenTheFirstChildWent = editor->buildStep; }
    } watcher;
    watcher.editor = &e;
    e.titleLabel->addComponentListener (&watcher);
    const int before = e.buildStep;
    f.close();
    EXPECT_GE (watcher.stepWhenTheFirstChildWent, before);
    EXPECT_LE (watcher.stepWhenTheFirstChildWent, before + 1);
}
