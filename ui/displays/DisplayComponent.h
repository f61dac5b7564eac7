#pragma once

#include "ui/editor/KeysteadEditor.h"

/** The chord strip of the chord half, at the engine's chord-strip scale: a green zone up to the
    good bar and a pink one up to the no-chord bar, and the last 50 judged chords as fading
    points, the newest with a short yellow halo. The bars' positions are the engine's chord-mode
    limits, in pixels of the strip. */
class KeysteadEditor::DisplayComponent : public juce::Component
{
public:
    /** processor may be null (an editor built on another processor); the bars then store nothing. */
    DisplayComponent (KeysteadEditor& editor, KeysteadProcessor* processor,
                      int goodNoMetronome, int noChordNoMetronome);

    /** Stops the halo thread, deletes every point and the repaint messages still on their way,
        so none of them is ever delivered to a strip that has gone. */
    ~DisplayComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    class MovableVerticalBar;
    class PointComponent;
    class AsyncAddChord;
    class NewChordThread;

    static constexpr int numPoints = 50;

    /** The constant that turns pixels x 150 into milliseconds for the labels: one step below the
        float nearest to 1/176, so that 88 px reads 74 ms and 176 px reads 149 ms. */
    static const float PIXELS_TO_MS_OVER_150;

    /** Where a chord of this spread lies, in pixels from the left (150 ms at 172, so that the
        4-pixel point ends at the strip's end). */
    static int PointX (float spreadMs) noexcept;

    KeysteadEditor& editor;

private:
    // The bars live in their own files, so they are held by pointer; the references keep the
    // strip's users reading them as plain members.
    std::unique_ptr<MovableVerticalBar> goodBarHolder, noChordBarHolder;

public:
    MovableVerticalBar& goodBar;
    MovableVerticalBar& noChordBar;
    juce::Label goodMsLabel, noChordMsLabel, goodLabel, badLabel;

    /** Slot of the newest point. */
    int ringIndex = 0;

    /** Paces the newest point's halo and the strip's repaints. */
    std::unique_ptr<NewChordThread> newChordThread;

    /** The ring of the last chord points; a slot's old point is deleted when it is reused. */
    std::array<std::unique_ptr<PointComponent>, numPoints> points;

private:
    friend class NewChordThread;

    // Made here, on the message thread, so that the weak references the audio thread takes to
    // the strip (for chords on their way) only ever share it.
    const juce::Component::SafePointer<DisplayComponent> weakSelf { this };

    // The repaint messages the halo thread has posted and the message loop not yet delivered.
    // Taken by the halo thread and the message thread, never by the audio thread.
    juce::CriticalSection pendingRepaintsLock;
    std::vector<juce::AsyncUpdater*> pendingRepaints;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DisplayComponent)
};
