#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class KeysteadProcessor;

/** The engine's boundary with its editor: how the editor is built and what the engine tells it.

    The engine decides when to tell the editor something; what the editor does with it belongs
    to the user interface, which defines these functions (ui/editor/EditorHandOvers.cpp), so the engine
    itself never names an editor class. A program or test that links the engine without the user
    interface supplies its own definitions.

    Every function but CreateEditor runs on the audio thread with the engine's active editor,
    which cannot be deleted while the call runs, and must return at once: it may only post work
    to the message thread (start a thread, trigger an asynchronous update), never wait.
*/
struct EditorHandOvers
{
    /** The editor the framework asks the engine for, built from the engine's current values. */
    static juce::AudioProcessorEditor* CreateEditor (KeysteadProcessor& engine);

    /** A note-on arrived in the block: the MIDI light flashes. */
    static void NoteOnSignal (juce::AudioProcessorEditor& editor);

    /** A chord of this spread was judged: the chord strip gets a point, the results refresh. */
    static void ChordSpreadSignal (juce::AudioProcessorEditor& editor, float spreadMs);

    /** A note's phase entered the recent-phase list: its dot lights up briefly, at its offset
        from the reference (a fraction of a turn) and its drawing radius. */
    static void NewDot (juce::AudioProcessorEditor& editor, float offsetFromReference, float dotRadius);

    /** Where the halo of a new dot is centred on a phase display of the given size: the dot's
        offset from the reference as an angle clockwise from 12 o'clock, at its drawing radius. */
    static juce::Point<int> NewDotCentre (float offsetFromReference, float dotRadius, int width, int height) noexcept;

    /** The recent-phase list or the reference changed: the phase display repaints and the
        results refresh. */
    static void PhaseDisplayUpdate (juce::AudioProcessorEditor& editor);

    /** The tempo followed the player: the tempo slider and the click dial follow. */
    static void TempoChange (juce::AudioProcessorEditor& editor, double newTempo, double oldTempo);
};
