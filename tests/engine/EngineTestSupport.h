#pragma once

#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/KeysteadProcessor.h"
#include "support/ProcessorHarness.h"

namespace enginetest
{
    constexpr int samplesPerMs = 48;  // at 48000 Hz

    struct TimedNote
    {
        juce::int64 at;  // samples from the first block after START
        int noteNumber;
    };

    /** Plays the notes (sorted by time) from the first block after START, in blocks whose
        lengths cycle through blockLengths, until `until` samples have been processed.
        afterBlock gets each block's first sample and length. */
    inline void perform (ProcessorHarness& harness,
                         const std::vector<TimedNote>& notes,
                         juce::int64 until,
                         const std::vector<int>& blockLengths = { 512 },
                         const std::function<void (juce::int64, int)>& afterBlock = {})
    {
        juce::int64 blockStart = 0;
        size_t next = 0, block = 0;

        while (blockStart < until)
        {
            const int length = blockLengths[block++ % blockLengths.size()];

            for (; next < notes.size() && notes[next].at < blockStart + length; ++next)
                harness.noteOn ((int) (notes[next].at - blockStart), notes[next].noteNumber);

            harness.processBlock (length);

            if (afterBlock)
                afterBlock (blockStart, length);

            blockStart += length;
        }
    }

    /** The boo requests made during the block just processed: they were appended at position 0
        and PlayBuffer has since moved them back by the block's length. */
    inline std::vector<bool> booRequestsOfLastBlock (const KeysteadProcessor& engine, int blockLength)
    {
        std::vector<bool> attenuated;
        for (const auto& request : engine.playRequests[KeysteadProcessor::booSound])
            if (request.startPosition == -blockLength)
                attenuated.push_back (request.attenuated);
        return attenuated;
    }

    /** An editor that only records the notifications it receives (on the audio thread). */
    class RecordingEditor : public juce::AudioProcessorEditor
    {
    public:
        explicit RecordingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (100, 100); }

        void setControlHighlight (ParameterControlHighlightInfo info) override
        {
            if (onHighlight)
                onHighlight();

            const std::lock_guard<std::mutex> guard (mutex);
            received.push_back (info);
        }

        std::vector<ParameterControlHighlightInfo> take()
        {
            const std::lock_guard<std::mutex> guard (mutex);
            auto all = std::move (received);
            received.clear();
            return all;
        }

        std::function<void()> onHighlight;

    private:
        std::mutex mutex;
        std::vector<ParameterControlHighlightInfo> received;
    };

    /** The engine with the recording editor in place of the real one. */
    class EngineWithRecordingEditor : public KeysteadProcessor
    {
    public:
        juce::AudioProcessorEditor* createEditor() override { return new RecordingEditor (*this); }

        /** Opens the editor as the shell does; it stays until closeEditor. */
        RecordingEditor& openEditor()
        {
            editor.reset (dynamic_cast<RecordingEditor*> (createEditorIfNeeded()));
            return *editor;
        }

        void closeEditor()
        {
            if (editor != nullptr)
                DetachEditor (editor.get());
            editor.reset();
        }

        ~EngineWithRecordingEditor() override { closeEditor(); }

        std::unique_ptr<RecordingEditor> editor;
    };

    inline float fwd (float a, float b) { float d = b - a; if (d < 0.0f) d += 1.0f; return d; }

    /** The reference worked out the slow way: every start's window counted entry by entry. */
    inline float bruteForceReference (const std::vector<float>& v, float degrees)
    {
        const size_t n = v.size();
        if (n < 2)
            return -1.0f;

        const float w = degrees * (1.0f / 360.0f);
        size_t bestStart = 0, bestCount = 1;
        float bestSpread = 0.0f;

        for (size_t i = 0; i < n; ++i)
        {
            size_t count = 1;
            float spread = 0.0f;
            for (size_t k = 1; k < n; ++k)
            {
                const float d = fwd (v[i], v[(i + k) % n]);
                if (! (d < w))
                    break;
                ++count;
                spread = d;
            }

            if (count >= 2 && count >= bestCount && (count > bestCount || spread < bestSpread))
            {
                bestStart = i;
                bestCount = count;
                bestSpread = spread;
            }
        }

        if (bestCount == 1)
            return -1.0f;

        float sum = 0.0f;
        for (size_t k = 1; k < bestCount; ++k)
            sum += fwd (v[bestStart], v[(bestStart + k) % n]);

        float m = v[bestStart] + sum / (float) bestCount;
        if (m >= 1.0f)
            m -= 1.0f;
        return m;
    }

    inline float spreadOf (const juce::AudioProcessorEditor::ParameterControlHighlightInfo& info)
    {
        float value;
        std::memcpy (&value, &info.parameterIndex, sizeof (value));
        return value;
    }
}
