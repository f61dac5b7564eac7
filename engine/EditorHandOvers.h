#pragma once

/** The engine's boundary with its editor: what the engine tells the editor it has open.

    The engine decides when to tell the editor something; what the editor does with it belongs
    to the user interface. An editor that wants to hear from the engine implements this class
    besides juce::AudioProcessorEditor; the engine finds it through the framework's active
    editor and tells an editor that does not implement it nothing. How the editor is built is
    given to the engine by the program (KeysteadProcessor::SetEditorFactory), so the engine
    never names an editor class.

    Every function runs on the audio thread while the editor is the engine's active editor,
    which cannot be deleted while the call runs (KeysteadProcessor::DetachEditor), and must
    return quickly: it posts work to the message thread (an asynchronous update or a message,
    posted under the framework's message-queue lock) and never waits for that work. Starting a
    thread costs a thread creation (up to a few hundred microseconds) and the thread's own lock,
    so it is left to work that comes at most once a block (the MIDI light's flash); work that comes
    once per note (a phase dot's halo) is started from the message thread instead.
*/
class EditorHandOvers
{
public:
    virtual ~EditorHandOvers() = default;

    /** A note-on arrived in the block: the MIDI light flashes. */
    virtual void NoteOnSignal() = 0;

    /** A chord of this spread was judged: the chord strip gets a point, the results refresh. */
    virtual void ChordSpreadSignal (float spreadMs) = 0;

    /** A note's phase entered the recent-phase list: its dot lights up briefly, at its offset
        from the reference (a fraction of a turn) and its drawing radius. */
    virtual void NewDot (float offsetFromReference, float dotRadius) = 0;

    /** The recent-phase list or the reference changed: the phase display repaints and the
        results refresh. */
    virtual void PhaseDisplayUpdate() = 0;

    /** The tempo followed the player: the tempo slider and the click dial follow. */
    virtual void TempoChange (double newTempo, double oldTempo) = 0;
};
