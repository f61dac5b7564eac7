// The whole editor as a pianist sees it while playing: the engine runs its blocks on a thread
// of their own, as the audio device would, and the editor's displays follow on the message
// thread. Snapshots are saved in the build folder (playing-tempo-mode.png, playing-chord-mode.png).

#include "DisplayTestSupport.h"

#include <atomic>
#include <set>
#include <thread>

#include "ui/displays/NewChordThread.h"
#include "ui/displays/PointComponent.h"
#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;

namespace
{
    constexpr double rate = 48000.0;
    constexpr int blockLength = 512;
    constexpr int beatSamples = 24000;   // 120 beats per minute, quarter notes

    int samplesOf (double ms) { return (int) std::lround (ms * rate / 1000.0); }

    // Plays note-ons at absolute sample positions, block after block, at twice real time so that
    // the displays' updates and halos run while the blocks go on. Runs on its own thread.
    class Player
    {
    public:
        Player (KeysteadProcessor& e, std::vector<int> positions)
            : engine (e), notes (std::move (positions)), thread ([this] { play(); })
        {
        }

        ~Player() { thread.join(); }

        std::atomic<bool> done { false };

    private:
        void play()
        {
            juce::AudioBuffer<float> output (2, blockLength);
            juce::MidiBuffer midi;
            const int end = notes.back() + blockLength;
            int key = 60;

            for (int start = 0; start < end; start += blockLength)
            {
                midi.clear();
                for (int n : notes)
                    if (n >= start && n < start + blockLength)
                        midi.addEvent (juce::MidiMessage::noteOn (1, key++ % 2 == 0 ? 60 : 72, (juce::uint8) 100),
                                       n - start);

                output.clear();
                engine.processBlock (output, midi);
                std::this_thread::sleep_for (std::chrono::microseconds (5333));
            }
            done = true;
        }

        KeysteadProcessor& engine;
        std::vector<int> notes;
        std::thread thread;  // the last member: it starts once the others are made
    };

    void save (const juce::Image& image, const char* name)
    {
        auto file = juce::File::getCurrentWorkingDirectory().getChildFile (name);
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (image, out);
    }

    bool isDark (juce::Colour c) { return c.getAlpha() > 128 && luma (c) < 90; }

    // How many pixels along a ray of the phase display, in the ring where the dots lie, pass a test.
    int alongRay (const juce::Image& image, double degrees, std::function<bool (juce::Colour)> test)
    {
        const juce::Point<double> centre (image.getWidth() * 0.5, image.getHeight() * 0.5);
        const double a = degrees * juce::MathConstants<double>::pi / 180.0;
        int count = 0;
        for (double r = 43.0; r <= 85.0; r += 1.0)
            for (double across = -1.5; across <= 1.5; across += 1.0)
            {
                const auto x = centre.x + r * std::sin (a) + across * std::cos (a);
                const auto y = centre.y - r * std::cos (a) + across * std::sin (a);
                count += test (image.getPixelAt ((int) std::floor (x), (int) std::floor (y))) ? 1 : 0;
            }
        return count;
    }

    // The centres of the halos that joined the phase display while this watched it, as angles
    // in degrees clockwise from 12 o'clock. A halo is followed until it is deleted, as a later one
    // may take its place in memory.
    struct HaloAngles : juce::ComponentListener
    {
        explicit HaloAngles (juce::Component& c) : display (c) { c.addComponentListener (this); }
        ~HaloAngles() override
        {
            display.removeComponentListener (this);
            for (auto* halo : present)
                halo->removeComponentListener (this);
        }

        void componentChildrenChanged (juce::Component& c) override
        {
            using Halo = KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint;
            if (&c != &display)
                return;
            for (auto* child : c.getChildren())
                if (auto* halo = dynamic_cast<Halo*> (child); halo != nullptr && present.insert (halo).second)
                {
                    halo->addComponentListener (this);
                    angles.push_back (juce::radiansToDegrees (std::atan2 (halo->centreX - c.getWidth() * 0.5,
                                                                          c.getHeight() * 0.5 - halo->centreY)));
                }
        }

        void componentBeingDeleted (juce::Component& c) override { present.erase (&c); }

        juce::Component& display;
        std::set<juce::Component*> present;
        std::vector<double> angles;
    };
}

TEST (WholeEditor, PlayingShowsTheDotsWithTheirHalosThenTheChordPoints)
{
    EditorFixture f;
    auto& engine = f.engine;
    engine.tempoMode = 1;
    engine.metronomeMode = 1;   // the tempo stays where it is
    engine.tempo = 120.0;
    engine.subdivisor = 1;
    engine.setRateAndBufferSizeDetails (rate, blockLength);
    engine.prepareToPlay (rate, blockLength);

    auto& e = openRevealed (f);
    e.setVisible (true);
    click (*e.startButton);

    // Steady notes on the beat, three 60 ms late and two 45 ms early; the last one on the beat.
    // 60 ms late is 43.2 degrees of the 500 ms turn, 45 ms early -32.4 degrees.
    std::vector<int> notes;
    for (int beat = 1; beat <= 14; ++beat)
    {
        const bool late = beat == 4 || beat == 8 || beat == 11, early = beat == 6 || beat == 10;
        const double offsetMs = late ? 60.0 : early ? -45.0 : 0.0;
        notes.push_back (beat * beatSamples + samplesOf (offsetMs));
    }

    HaloAngles halos (*e.s1ListDisplay);
    {
        Player player (engine, notes);
        ASSERT_TRUE (pump ([&] { return player.done.load(); }, 60000));
    }
    ASSERT_TRUE (pump ([&] { return e.s1ListDisplay->getNumChildComponents() == 0; })) << "every halo ends";

    const auto dots = snapshot (*e.s1ListDisplay);
    save (e.createComponentSnapshot (e.getLocalBounds(), false), "playing-tempo-mode.png");

    float reference = 0.0f;
    {
        const juce::ScopedLock recentPhaseListLock (engine.s1List.lock);
        reference = engine.s1List.reference.value;
        EXPECT_EQ (engine.s1List.values.size(), notes.size());
    }
    ASSERT_GE (reference, 0.0f) << "the steady notes give a reference";
    EXPECT_LT (std::min (reference, 1.0f - reference), 0.001f) << "on the beat";

    // Dots on the rays of the beat (12 o'clock), 60 ms late and 45 ms early, and none where
    // nothing was played.
    EXPECT_GE (alongRay (dots, 0.0, isDark), 8);
    EXPECT_GE (alongRay (dots, 43.2, isDark), 4);
    EXPECT_GE (alongRay (dots, -32.4, isDark), 4);
    for (double empty : { -80.0, -15.0, 15.0, 80.0 })
        EXPECT_EQ (alongRay (dots, empty, isDark), 0) << empty << " degrees";

    // A halo lit for each note from the third (the first two make the reference), where its dot
    // lies; truncated to whole pixels, within 3 degrees.
    const std::vector<double> rays { 0.0, 43.2, 0.0, -32.4, 0.0, 43.2, 0.0, -32.4, 43.2, 0.0, 0.0, 0.0 };
    ASSERT_EQ (halos.angles.size(), rays.size()) << ::testing::PrintToString (halos.angles);
    for (size_t i = 0; i < rays.size(); ++i)
        EXPECT_NEAR (halos.angles[i], rays[i], 3.0) << "the halo of beat " << i + 3;

    // STOP, the mode switch to OFF and START again, as the pianist clicks them.
    for (juce::Button* b : { (juce::Button*) e.stopButton.get(), (juce::Button*) e.tempoOffButton.get(),
                             (juce::Button*) e.startButton.get() })
        click (*b);
    ASSERT_EQ (engine.tempoMode.load(), 0);

    // Chord mode: two-note chords of 10, 40 and 70 ms (an octave apart, so no neighbouring keys),
    // a second apart, and a lone note after the last chord.
    const double spreads[] = { 10.0, 40.0, 70.0 };
    std::vector<int> chordNotes;
    for (size_t i = 0; i < std::size (spreads); ++i)
    {
        const int start = (int) (i + 1) * 2 * beatSamples;
        chordNotes.push_back (start);
        chordNotes.push_back (start + samplesOf (spreads[i]));
    }
    chordNotes.push_back (chordNotes.back() + beatSamples);

    {
        Player player (engine, chordNotes);
        ASSERT_TRUE (pump ([&] { return player.done.load(); }, 60000));
    }
    ASSERT_TRUE (pump ([&] { return e.chordDisplay->ringIndex == 3; }));
    ASSERT_TRUE (pump ([&] { return ! e.chordDisplay->newChordThread->isThreadRunning(); }));

    const auto chordShot = e.createComponentSnapshot (e.getLocalBounds(), false);
    save (chordShot, "playing-chord-mode.png");

    // Each point at its spread across the strip (150 ms at 172 pixels), and drawn within it.
    const auto strip = e.chordDisplay->getBounds();
    for (int slot = 1; slot <= 3; ++slot)
    {
        SCOPED_TRACE ("chord of " + juce::String (spreads[slot - 1]) + " ms");
        const int x = (int) (spreads[slot - 1] * 172.0 / 150.0);
        const auto& point = *e.chordDisplay->points[(size_t) slot];
        EXPECT_EQ (point.getX(), x);
        EXPECT_TRUE (point.getY() >= 0 && point.getBottom() <= strip.getHeight()) << point.getY();
        EXPECT_TRUE (isDark (chordShot.getPixelAt (strip.getX() + x + 1, strip.getY() + point.getY() + 1)));
        EXPECT_TRUE (isDark (chordShot.getPixelAt (strip.getX() + x + 2, strip.getY() + point.getY() + 2)));
    }
    EXPECT_EQ (e.chordDisplay->points[4], nullptr);
}
