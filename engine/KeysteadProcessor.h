#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/AudioProcessorWITHMidiInFilter.h"
#include "engine/RelaxedAtomic.h"

/** The analysis engine: filters the MIDI of each audio block, keeps the beat clock, judges
    notes (tempo mode) or chords (chord mode), keeps the statistics and the recent-phase list,
    and mixes the three embedded clips into the output.

    The object is itself the recursive lock procLock that guards the play requests and the
    running flag; the recent-phase list has a lock of its own. The program gives the engine the
    way to build its editor (SetEditorFactory); the engine tells an open editor what it needs to
    know through EditorHandOvers, which the editor implements.
*/
class KeysteadProcessor : public AudioProcessorWITHMidiInFilter,
                          public juce::CriticalSection
{
public:
    //==============================================================================
    /** One received note-on. */
    struct Note
    {
        int samplePosition = 0;  // from the current block's first sample; negative once carried over
        int noteNumber = 0;
        bool isVeryBad = false;  // only meaningful in pendingBadNotes
    };

    /** One request to play a clip. */
    struct IntAndBool
    {
        int startPosition = 0;   // from the first sample of the next block mixed
        bool attenuated = false; // plays at 0.3 of the clip's gain
    };

    /** A phase on the circle of one note-value interval, with an age stamp and a drawing radius. */
    struct S1Float
    {
        /** The phase with a freshly drawn radius and age 0. */
        explicit S1Float (float phase);
        S1Float (float phase, int ageStamp, float dotRadius) noexcept
            : value (phase), age (ageStamp), radius (dotRadius) {}

        /** One of 0.5, 0.505, ..., 1.0, drawn from the standard generator. */
        static float DrawRadius();

        /** "No value"; compared by value only. */
        static const S1Float UNDEFINED;

        bool operator== (const S1Float& other) const noexcept { return value == other.value; }
        bool operator!= (const S1Float& other) const noexcept { return value != other.value; }

        float value = -1.0f;
        int age = 0;
        float radius = 0.5f;
    };

    /** The recent phases (the newest and at most 200 before it) in circular order, with the
        reference phase derived from them. Every field is guarded by its own lock. */
    struct OrderedS1ValueListWithReference
    {
        explicit OrderedS1ValueListWithReference (const RelaxedAtomic<float>* windowInDegrees);

        /** Stamps the new phase with the next age, drops the entries too old to be drawn, and
            puts the phase into the first gap whose forward arc holds it. */
        void InsertValue (float phase, float dotRadius);

        /** Removes the newest of the entries whose value equals the phase exactly. Nothing is
            removed when no entry, or every entry, holds that value. */
        void EraseValue (float phase);

        /** Recomputes the reference: the circular mean of the densest group of phases that fits
            into the window, or UNDEFINED when no window holds two phases. */
        void UpdateReference();

        /** The arc from one phase to another in the direction of increasing phase, in [0, 1). */
        static float ForwardDistance (float from, float to) noexcept
        {
            const float difference = to - from;
            return difference < 0.0f ? difference + 1.0f : difference;
        }

        /** The list keeps the newest phase and at most this many before it. */
        static constexpr int maxAgeDifference = 200;

        std::vector<S1Float> values;
        juce::CriticalSection lock;
        int ageCounter = 0;
        const RelaxedAtomic<float>* windowDegrees = nullptr;
        S1Float reference;

        JUCE_DECLARE_NON_COPYABLE (OrderedS1ValueListWithReference)
    };

    //==============================================================================
    KeysteadProcessor();
    ~KeysteadProcessor() override;

    //==============================================================================
    /** Starts a fresh measurement: clears the collected notes, the statistics, the recent
        phases and the reference. Safe from any thread: the audio thread carries the reset out at
        the start of its next block, so it takes effect between two blocks and never tears a
        block's judging. The editor uses this same call for every reset it makes. */
    void ResetLists();

    /** True from a ResetLists call until the audio thread has completed that reset; while it
        is, the statistics stand for zero. */
    bool IsResetPending() const noexcept { return resetRequested.load (std::memory_order_acquire); }

    /** Starts or stops the analysis; starting in tempo mode seeds the beat clock with a click
        at the next block's first sample. */
    void SetIsRunning (bool running);

    /** Plays sound n (0 boo, 1 good, 2 click) at full gain from the next block's first sample. */
    void AskToPlayBuffer (int n);

    /** Plays one click from the next block's first sample, as a preview of the click volume.
        While the metronome runs, the last click request is the beat clock's latest beat: the
        preview goes in before it, so that the beat goes on where it was instead of restarting
        from the preview. Takes procLock. */
    void PlayClickPreview();

    /** Mixes the due requests of sound n into the output and retires the finished ones. */
    void PlayBuffer (int n, juce::AudioBuffer<float>& output);

    /** Closes the open tempo-mode group: forgives stray neighbouring keys, asks for the boo
        sound, lets the tempo follow the player, adds the errors to the statistics and
        recomputes the reference. Audio thread only. */
    void ProcessPendingBadAndGoodNotes();

    /** Detaches the editor before it is deleted, in place of the framework's
        editorBeingDeleted: clears the active editor and then waits until a hand-over that the
        audio thread may have started to that editor has returned, so the audio thread never
        calls an editor that is being destroyed. Message thread; the wait is at most one short
        notification call. */
    void DetachEditor (juce::AudioProcessorEditor* editor) noexcept;

    /** Builds the editor the framework asks the engine for, from the engine's current values. */
    using EditorFactory = std::function<juce::AudioProcessorEditor* (KeysteadProcessor& engine)>;

    /** How createEditor builds the editor; without one the engine has no editor. Message thread,
        before the first editor is asked for. */
    void SetEditorFactory (EditorFactory factory);

    /** The slowest and fastest tempo the engine works with; a stored tempo outside (or not a
        number) is brought into this range before any beat length is worked out. */
    static constexpr int minimumTempo = 30, maximumTempo = 250;

    /** The note values: notes per beat, from quarter notes to sixteenth notes. */
    static constexpr int minimumSubdivisor = 1, maximumSubdivisor = 4;

    /** The settings-backed fields' values when no settings file gives them. */
    static constexpr int defaultTempoMode = 0, defaultMetronomeMode = 0, defaultTempo = 120, defaultSubdivisor = 1,
                         defaultGoodNoMetronome = 50, defaultNoChordNoMetronome = 100;
    static constexpr float defaultGoodMetronome = 30.0f, defaultNoChordMetronome = 60.0f,
                           defaultBooVolume = 1.0f, defaultClickVolume = 1.0f;

    /** The judging limits' ranges, which the editor's dial and chord strip keep and a settings
        file is held to, and the scales that turn the limits into time. In both modes the good
        and the bad limit stay at least smallestLimitGapMs apart. */
    static constexpr float smallestLimitGapMs = 25.0f;

    /** Tempo mode's limits are degrees of one note-value interval, drawn on the dial. The dial
        keeps its two limits at least the gap apart and the bad one at largestDialAngle or
        below (at 90 degrees a radius would never meet the dial's top edge). The gap is
        smallestLimitGapMs of the interval, capped so that twice of it fits under the largest
        bad limit; a note more than the gap beyond the good limit is judged very bad. */
    static float DialGapDegrees (double tempo, int subdivisor) noexcept
    {
        return std::min (((float) tempo * dialGapDegreesPerBpm) * (float) subdivisor, largestDialGap);
    }

    static constexpr float largestDialAngle = 89.9f;
    static constexpr float largestDialGap = largestDialAngle / 2.0f;
    static constexpr float dialGapDegreesPerBpm = smallestLimitGapMs * 360.0f / 60000.0f;

    /** Chord mode's limits are pixels of the chord strip, whose scale is 176 pixels for 150 ms.
        The strip keeps its bars at least smallestLimitGapMs apart, the left one at
        lowestBarPosition or beyond and the right one within the strip. */
    static constexpr int chordStripWidth = 176, chordStripMs = 150;
    static constexpr float smallestBarDistance = (float) chordStripWidth * smallestLimitGapMs / (float) chordStripMs;
    static constexpr int lowestBarPosition = 29;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;
    int getNumParameters() override;
    const juce::String getParameterName (int parameterIndex) override;
    float getParameter (int parameterIndex) override;
    const juce::String getParameterText (int parameterIndex) override;
    void setParameter (int parameterIndex, float newValue) override;
    const juce::String getInputChannelName (int channelIndex) const override;
    const juce::String getOutputChannelName (int channelIndex) const override;
    bool isInputChannelStereoPair (int index) const override;
    bool isOutputChannelStereoPair (int index) const override;
    bool silenceInProducesSilenceOut() const override;

    //==============================================================================
    /** Settings keys, each the name of its field. */
    static const juce::String tempoModeRef, metronomeModeRef, tempoRef, subdivisorRef,
                              goodMetronomeRef, noChordMetronomeRef, goodNoMetronomeRef,
                              noChordNoMetronomeRef, booVolumeRef, clickVolumeRef;

    static constexpr int numSounds = 3;
    static constexpr int booSound = 0, goodSound = 1, clickSound = 2;

    //==============================================================================
    /** The engine's own lock: the object itself, under the name every lock site uses. */
    juce::CriticalSection& procLock { *this };

    std::vector<Note> incomingNotes;
    RelaxedAtomic<int> nbEvaluated { 0 };
    RelaxedAtomic<float> sumErrorMs { 0.0f };
    RelaxedAtomic<float> maxErrorMs { 0.0f };
    RelaxedAtomic<int> worstState { 0 };      // 0 good, 1 middling, 2 bad; only rises between resets
    RelaxedAtomic<bool> isRunning { false };
    RelaxedAtomic<int> tempoMode { defaultTempoMode };                    // 0 chord mode, otherwise tempo mode
    RelaxedAtomic<int> metronomeMode { defaultMetronomeMode };            // 0: the tempo follows the player
    RelaxedAtomic<int> goodNoMetronome { defaultGoodNoMetronome };        // chord-strip pixels (chordStripWidth)
    RelaxedAtomic<int> noChordNoMetronome { defaultNoChordNoMetronome };  // chord-strip pixels
    OrderedS1ValueListWithReference s1List;
    RelaxedAtomic<float> goodMetronome { defaultGoodMetronome };          // degrees of one note-value interval
    RelaxedAtomic<float> noChordMetronome { defaultNoChordMetronome };    // degrees
    RelaxedAtomic<double> tempo { (double) defaultTempo };                // beats per minute
    RelaxedAtomic<int> subdivisor { defaultSubdivisor };                  // notes per beat, 1 to 4
    std::vector<Note> pendingBadNotes;
    std::vector<Note> pendingGoodNotes;
    RelaxedAtomic<float> booVolume { defaultBooVolume };                  // linear gain of sounds 0 and 1
    RelaxedAtomic<float> clickVolume { defaultClickVolume };              // linear gain of sound 2
    std::array<std::vector<IntAndBool>, numSounds> playRequests;
    std::array<juce::AudioBuffer<float>, numSounds> soundBuffers;

    // Working values read from fields that a settings file or the controls may have filled with
    // anything; each is brought into its usable range first. The editor rescales its dial with
    // the same values, so that its limits keep the milliseconds the engine judges with.
    double CurrentTempo() const noexcept;
    int CurrentSubdivisor() const noexcept;

private:
    /** The reset that ResetLists asks for, carried out on the audio thread. */
    void PerformRequestedReset();

    // The block's steps, in the order processBlock runs them.
    void SendNoteOnSignal (const juce::MidiBuffer& midiMessages);
    void CollectNoteOns (const juce::MidiBuffer& midiMessages);
    void AdvanceBeatClock (int blockLength);  // with procLock held
    void JudgeTempoModeNotes (int blockLength);
    void JudgeChords (int blockLength, int sampleRate);
    void ThinChainTooLongToJudge (float noChordSamples, juce::int64 longestChord);
    void ShiftStoredPositions (int blockLength) noexcept;

    /** A note-on with a velocity above zero; malformed events are not. */
    static bool IsNoteOn (const juce::MidiMessageMetadata& event) noexcept;

    int BeatLength() const noexcept;
    float MillisecondsOf (float distance) const noexcept;

    /** The phase of a note against the block's latest scheduled click, at the current tempo and
        note value, in [0, 1). */
    float PhaseOf (const Note& note) const noexcept;

    // What both modes do with a judged note or chord.
    static bool AreNeighbourKeys (const Note& a, const Note& b) noexcept;
    void CountError (float ms);
    void AnswerPoorVerdict (bool bad);
    void AppendBooRequest (bool attenuated);

    // Hand-overs to the editor (EditorHandOvers). Each fetches the active editor once and does
    // nothing when none is open or it does not take hand-overs; judging, statistics, sounds and
    // the tempo follow never depend on them.
    void SendChordSpreadSignal (float spreadMs);
    void HandOverNewDot (float offsetFromReference, float dotRadius);
    void HandOverPhaseDisplayUpdate();
    void HandOverTempoChange (double newTempo, double oldTempo);

    /** Calls use (handOvers) with the active editor's hand-overs, if an editor that takes them
        is open. While it runs, DetachEditor on the message thread waits, so the editor cannot be
        deleted under the call. */
    template <typename Use>
    void WithActiveEditor (Use&& use);

    /** Turns of the circle per degree of the dial. */
    static constexpr float degreesToTurns = 1.0f / 360.0f;

    /** The latest scheduled click as the beat clock left it at the start of this block: every
        phase of the block is measured from it, whatever the message thread does meanwhile. */
    int latestClick = 0;

    std::atomic<bool> resetRequested { false };
    std::atomic<int> editorHandOversInFlight { 0 };

    EditorFactory editorFactory;

    std::vector<Note> chordNotes;  // the chord being judged, latest note first

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KeysteadProcessor)
};
