// Writes a picture of each widget, drawn on the real background, to build/ui-previews/ so that
// anyone can look at them. Not compared with anything: it only checks the files were written.

#include "UiTestSupport.h"

#include "ui/MidiInLight.h"
#include "ui/TwinkelingToggleButton.h"
#include "ui/TwinklelingLabel.h"

using namespace uitest;

namespace
{
    juce::File previewFolder()
    {
        // The test program lives in build/tests/.
        return juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                   .getParentDirectory().getSiblingFile ("ui-previews");
    }

    /** The window at the given fade with its background and the widgets on it, scaled up
        so that the walls can be seen. */
    juce::Image renderWindow (Scene& scene, float fade, int scale)
    {
        juce::Image image (juce::Image::ARGB, pictureWidth, pictureHeight, true);
        {
            juce::Graphics g (image);
            g.drawImageAt (makeFadedBackground (scene.picture, fade), 0, 0);
            scene.window.paintEntireComponent (g, true);
        }

        return image.rescaled (pictureWidth * scale, pictureHeight * scale, juce::Graphics::lowResamplingQuality);
    }

    bool writePng (const juce::Image& image, const juce::String& name)
    {
        auto file = previewFolder().getChildFile (name);
        file.deleteFile();
        juce::FileOutputStream out (file);
        return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
    }
}

TEST (WidgetPreview, WritesEachWidgetOnTheBackgroundUnderBuild)
{
    ASSERT_TRUE (previewFolder().createDirectory());

    for (float fade : { 1.0f, 0.35f })
    {
        Scene scene (KeysteadEditor::GetBackground(), &fade);
        scene.add (new KeysteadEditor::TwinkelingToggleButton ("START"), { 33, 97, 100, 24 });

        auto& stop = scene.add (new juce::ToggleButton ("STOP"), { 33, 133, 100, 24 });
        stop.setToggleState (true, juce::dontSendNotification);

        auto& litStart = scene.add (new KeysteadEditor::TwinkelingToggleButton ("START"), { 130, 300, 100, 24 });
        litStart.lit = true;
        litStart.handleAsyncUpdate();

        auto& disabled = scene.add (new juce::ToggleButton ("OFF"), { 249, 300, 60, 24 });
        disabled.setEnabled (false);
        auto& on = scene.add (new juce::ToggleButton ("ON"), { 333, 300, 60, 24 });
        on.setToggleState (true, juce::dontSendNotification);
        auto& metronome = scene.add (new juce::ToggleButton ("METRONOME"), { 549, 302, 150, 24 });
        metronome.setButtonText ("metronome");

        auto& tempo = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxAbove),
                                 { 526, 347, 183, 48 });
        tempo.setTextBoxStyle (juce::Slider::TextBoxAbove, false, 60, 20);
        tempo.setRange (30, 250, 1);
        tempo.setValue (100, juce::dontSendNotification);
        auto& tempoCaption = scene.add (new juce::Label ("new label", "Tempo :"), { 519, 344, 64, 24 });
        tempoCaption.setFont (juce::Font (15.0f));

        auto& boo = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox),
                               { 119, 213, 91, 24 });
        boo.setRange (0, 1);
        boo.setValue (0.7, juce::dontSendNotification);
        auto& volumeOff = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox),
                                     { 119, 239, 91, 24 });
        volumeOff.setEnabled (false);

        auto& header = scene.add (new juce::Label ("new label", "VOLUMES"), { 85, 192, 80, 15 });
        header.setJustificationType (juce::Justification::centred);
        header.setColour (juce::Label::outlineColourId, juce::Colour (0x93000000));

        scene.add (new juce::Label ("new label", "MIDI In"), { 571, 192, 71, 16 }).setFont (juce::Font (12.0f));
        scene.add (new KeysteadEditor::MidiInLight(), { 642, 194, 12, 12 });

        for (int level = 0; level <= 5; ++level)
            scene.add (new KeysteadEditor::MidiInLight(), { 600 + 18 * level, 215, 12, 12 }).level = level;

        auto& instruction = scene.add (new KeysteadEditor::TwinklelingLabel ("new label", {}), { 163, 53, 532, 137 });
        instruction.setJustificationType (juce::Justification::centred);
        instruction.setFont (juce::Font (26.7f));
        instruction.step = 2;
        instruction.handleAsyncUpdate();

        auto& result = scene.add (new KeysteadEditor::TwinklelingLabel ("new label", {}), { 257, 400, 209, 106 });
        result.setJustificationType (juce::Justification::centred);
        result.mode = KeysteadEditor::TwinklelingLabel::goodMode;
        for (int step : { 0, 3 })
        {
            result.step = step;
            result.handleAsyncUpdate();
        }

        const auto name = fade >= 1.0f ? juce::String ("widgets.png") : juce::String ("widgets-fade-035.png");
        EXPECT_TRUE (writePng (renderWindow (scene, fade, 1), name));

        if (fade >= 1.0f)
        {
            // Close-ups at four times the size, for the walls and wells.
            const auto big = renderWindow (scene, fade, 4);
            EXPECT_TRUE (writePng (big.getClippedImage ({ 20 * 4, 85 * 4, 120 * 4, 85 * 4 }), "start-stop-x4.png"));
            EXPECT_TRUE (writePng (big.getClippedImage ({ 120 * 4, 290 * 4, 290 * 4, 45 * 4 }), "lit-off-on-x4.png"));
            EXPECT_TRUE (writePng (big.getClippedImage ({ 500 * 4, 185 * 4, 220 * 4, 220 * 4 }), "sliders-lamps-x4.png"));
            EXPECT_TRUE (writePng (big.getClippedImage ({ 30 * 4, 185 * 4, 190 * 4, 85 * 4 }), "volumes-x4.png"));
        }
    }

    EXPECT_TRUE (previewFolder().getChildFile ("widgets.png").existsAsFile());
}
