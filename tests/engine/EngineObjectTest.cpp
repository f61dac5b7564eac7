#include <gtest/gtest.h>

#include "engine/KeysteadProcessor.h"
#include "support/ProcessorHarness.h"
#include "ui/KeysteadEditor.h"

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

TEST (EngineObject, FreshEngineHasDocumentedDefaults)
{
    KeysteadProcessor engine;

    EXPECT_EQ (engine.tempoMode.load(), 0);
    EXPECT_EQ (engine.metronomeMode.load(), 0);
    EXPECT_EQ (engine.tempo.load(), 120.0);
    EXPECT_EQ (engine.subdivisor.load(), 1);
    EXPECT_EQ (engine.goodMetronome.load(), 30.0f);
    EXPECT_EQ (engine.noChordMetronome.load(), 60.0f);
    EXPECT_EQ (engine.goodNoMetronome.load(), 50);
    EXPECT_EQ (engine.noChordNoMetronome.load(), 100);
    EXPECT_EQ (engine.booVolume.load(), 1.0f);
    EXPECT_EQ (engine.clickVolume.load(), 1.0f);

    EXPECT_EQ (engine.nbEvaluated.load(), 0);
    EXPECT_EQ (engine.sumErrorMs.load(), 0.0f);
    EXPECT_EQ (engine.maxErrorMs.load(), 0.0f);
    EXPECT_EQ (engine.worstState.load(), 0);
    EXPECT_FALSE (engine.isRunning.load());

    EXPECT_FALSE (engine.filterMidiChannel.load());
    EXPECT_EQ (engine.midiChannel.load(), 1);
    EXPECT_FALSE (engine.filterMidiRange.load());
    EXPECT_EQ (engine.highestNote.load(), 127);
    EXPECT_EQ (engine.lowestNote.load(), 0);

    EXPECT_TRUE (engine.s1List.values.empty());
    EXPECT_EQ (engine.s1List.ageCounter, 0);
    EXPECT_EQ (engine.s1List.windowDegrees, &engine.goodMetronome);
    EXPECT_EQ (engine.s1List.reference.value, -1.0f);
    for (const auto& requests : engine.playRequests)
        EXPECT_TRUE (requests.empty());
    for (const auto& buffer : engine.soundBuffers)
        EXPECT_EQ (buffer.getNumSamples(), 0);
}

TEST (EngineObject, BusesAndFrameworkAnswers)
{
    KeysteadProcessor engine;

    ASSERT_EQ (engine.getBusCount (true), 1);
    ASSERT_EQ (engine.getBusCount (false), 1);
    EXPECT_EQ (engine.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (engine.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (engine.getBus (false, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_FALSE (engine.getBus (true, 0)->isEnabledByDefault());
    EXPECT_FALSE (engine.getBus (false, 0)->isEnabledByDefault());

    EXPECT_EQ (engine.getName(), "Keystead");
    EXPECT_FALSE (engine.acceptsMidi());
    EXPECT_FALSE (engine.producesMidi());
    EXPECT_TRUE (engine.hasEditor());
    EXPECT_EQ (engine.getTailLengthSeconds(), 0.0);
    EXPECT_EQ (engine.getNumPrograms(), 1);
    EXPECT_EQ (engine.getCurrentProgram(), 0);
    EXPECT_EQ (engine.getProgramName (0), "");
    EXPECT_EQ (engine.getOutputChannelName (0), "1");
    EXPECT_EQ (engine.getInputChannelName (1), "2");
    EXPECT_TRUE (engine.isOutputChannelStereoPair (0));
    EXPECT_EQ (engine.getNumParameters(), 0);
    EXPECT_EQ (engine.getParameter (3), 0.0f);

    juce::MemoryBlock state ("abc", 3);
    engine.getStateInformation (state);
    EXPECT_EQ (state.getSize(), 3u);
}

TEST (EngineObject, SettingsKeysAreTheFieldNames)
{
    EXPECT_EQ (KeysteadProcessor::tempoModeRef, "tempoMode");
    EXPECT_EQ (KeysteadProcessor::metronomeModeRef, "metronomeMode");
    EXPECT_EQ (KeysteadProcessor::tempoRef, "tempo");
    EXPECT_EQ (KeysteadProcessor::subdivisorRef, "subdivisor");
    EXPECT_EQ (KeysteadProcessor::goodMetronomeRef, "goodMetronome");
    EXPECT_EQ (KeysteadProcessor::noChordMetronomeRef, "noChordMetronome");
    EXPECT_EQ (KeysteadProcessor::goodNoMetronomeRef, "goodNoMetronome");
    EXPECT_EQ (KeysteadProcessor::noChordNoMetronomeRef, "noChordNoMetronome");
    EXPECT_EQ (KeysteadProcessor::booVolumeRef, "booVolume");
    EXPECT_EQ (KeysteadProcessor::clickVolumeRef, "clickVolume");
}

TEST (EngineObject, S1FloatRadiusIsOneOfTheHundredAndOneSteps)
{
    for (int i = 0; i < 2000; ++i)
    {
        const KeysteadProcessor::S1Float phase (0.25f);
        EXPECT_GE (phase.radius, 0.5f);
        EXPECT_LE (phase.radius, 1.0f);
        const float steps = (phase.radius - 0.5f) / 0.005f;
        EXPECT_NEAR (steps, std::round (steps), 1.0e-3f);
        EXPECT_EQ (phase.age, 0);
    }

    EXPECT_EQ (KeysteadProcessor::S1Float::UNDEFINED.value, -1.0f);
    EXPECT_TRUE (KeysteadProcessor::S1Float (-1.0f) == KeysteadProcessor::S1Float::UNDEFINED);
}

TEST (EngineObject, SetIsRunningSeedsTheBeatClockOnlyInTempoMode)
{
    KeysteadProcessor engine;
    engine.playRequests[2] = { { -40, false }, { 900, true } };
    engine.playRequests[0] = { { -10, true } };

    engine.SetIsRunning (true);  // chord mode
    EXPECT_TRUE (engine.isRunning.load());
    EXPECT_TRUE (engine.playRequests[2].empty());

    engine.tempoMode = 1;
    engine.playRequests[2] = { { -40, false }, { 900, true } };
    engine.SetIsRunning (true);
    ASSERT_EQ (engine.playRequests[2].size(), 1u);
    EXPECT_EQ (engine.playRequests[2][0].startPosition, 0);
    EXPECT_FALSE (engine.playRequests[2][0].attenuated);

    engine.SetIsRunning (false);
    EXPECT_FALSE (engine.isRunning.load());
    EXPECT_TRUE (engine.playRequests[2].empty());
    // A boo sound already asked for still plays after a stop.
    ASSERT_EQ (engine.playRequests[0].size(), 1u);
    EXPECT_EQ (engine.playRequests[0][0].startPosition, -10);
}

TEST (EngineObject, AskToPlayBufferAppendsAFullGainRequestAndIgnoresUnknownSounds)
{
    KeysteadProcessor engine;
    engine.AskToPlayBuffer (1);
    engine.AskToPlayBuffer (1);
    engine.AskToPlayBuffer (2);
    engine.AskToPlayBuffer (3);
    engine.AskToPlayBuffer (-1);

    EXPECT_TRUE (engine.playRequests[0].empty());
    ASSERT_EQ (engine.playRequests[1].size(), 2u);
    EXPECT_EQ (engine.playRequests[1][1].startPosition, 0);
    EXPECT_FALSE (engine.playRequests[1][1].attenuated);
    EXPECT_EQ (engine.playRequests[2].size(), 1u);
}

TEST (EngineObject, ResetTakesEffectAtTheNextBlockAndKeepsTheOpenGroup)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);

    engine.incomingNotes.push_back ({ 10, 60, false });
    engine.pendingBadNotes.push_back ({ -100, 61, true });
    engine.pendingGoodNotes.push_back ({ -120, 60, false });
    engine.nbEvaluated = 7;
    engine.sumErrorMs = 70.0f;
    engine.maxErrorMs = 20.0f;
    engine.worstState = 2;
    engine.s1List.values.push_back ({ 0.3f, 5, 0.7f });
    engine.s1List.ageCounter = 5;
    engine.s1List.reference = KeysteadProcessor::S1Float (0.3f);
    engine.playRequests[0].push_back ({ 0, false });

    engine.ResetLists();
    EXPECT_TRUE (engine.IsResetPending());
    harness.processBlock();
    EXPECT_FALSE (engine.IsResetPending());

    EXPECT_TRUE (engine.incomingNotes.empty());
    EXPECT_EQ (engine.nbEvaluated.load(), 0);
    EXPECT_EQ (engine.sumErrorMs.load(), 0.0f);
    EXPECT_EQ (engine.maxErrorMs.load(), 0.0f);
    EXPECT_EQ (engine.worstState.load(), 0);
    EXPECT_TRUE (engine.s1List.values.empty());
    EXPECT_EQ (engine.s1List.reference.value, -1.0f);
    EXPECT_EQ (engine.s1List.ageCounter, 5);
    EXPECT_EQ (engine.pendingBadNotes.size(), 1u);
    EXPECT_EQ (engine.pendingGoodNotes.size(), 1u);
}

TEST (EngineObject, ResetsFromAnotherThreadNeverTearABlock)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine, 48000.0, 64);
    std::atomic<bool> done { false };

    std::thread requester ([&]
    {
        for (int i = 0; i < 5000; ++i)
        {
            engine.ResetLists();
            std::this_thread::yield();
        }
        done = true;
    });

    int blocks = 0;
    while (! done.load() || blocks < 100)
    {
        // Between two blocks either nothing was reset (the values written here survive) or the
        // whole reset happened: never a half-cleared state.
        engine.nbEvaluated = 3;
        engine.sumErrorMs = 30.0f;
        engine.incomingNotes.assign (5, KeysteadProcessor::Note { 1, 60, false });
        harness.processBlock();
        ++blocks;

        const bool cleared = engine.incomingNotes.empty();
        ASSERT_EQ (cleared, engine.nbEvaluated.load() == 0);
        ASSERT_EQ (cleared, engine.sumErrorMs.load() == 0.0f);
        if (! cleared)
        {
            ASSERT_EQ (engine.incomingNotes.size(), 5u);
        }
    }

    requester.join();
    harness.processBlock();
    EXPECT_FALSE (engine.IsResetPending());
}

TEST (EngineObject, CreateEditorPassesTruncatedTempoAndSizesTheEditor)
{
    KeysteadProcessor engine;
    engine.tempo = 119.9;
    std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);
    EXPECT_NE (dynamic_cast<KeysteadEditor*> (editor.get()), nullptr);
    EXPECT_EQ (editor->getWidth(), 734);
    EXPECT_EQ (editor->getHeight(), 564);
    engine.editorBeingDeleted (editor.get());
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
