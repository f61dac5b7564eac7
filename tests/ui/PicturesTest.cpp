// Checks the pictures' sizes and grounds, then draws the widgets on the real background, plain
// and faded to 0.35, and writes them to build/ui-previews/ (at twice the size, to see the walls)
// for anyone to look at. Of the drawing, only the lamp's six colours by level are checked.

#include "UiTestSupport.h"

#include "BinaryData.h"

using namespace uitest;

TEST (Pictures, SizesGroundsAndLampColoursOnPreviewsWrittenUnderBuild)
{
    using namespace BinaryData;
    ASSERT_EQ (KeysteadEditor::GetBackground().getBounds(), juce::Rectangle<int> (734, 564));

    for (auto [data, size, width, height] : { std::tuple { resource_KeysteadEditor_noire_png,
                                                           resource_KeysteadEditor_noire_pngSize, 27, 80 },
                                              std::tuple { resource_KeysteadEditor_croche_png,
                                                           resource_KeysteadEditor_croche_pngSize, 51, 89 },
                                              std::tuple { resource_KeysteadEditor_doublecroche_png,
                                                           resource_KeysteadEditor_doublecroche_pngSize, 53, 93 } })
    {
        const auto note = juce::ImageCache::getFromMemory (data, size);
        const auto corner = note.getPixelAt (0, 0).getAlpha();
        EXPECT_EQ (std::tuple (note.getWidth(), note.getHeight(), note.hasAlphaChannel(), corner),
                   std::tuple (width, height, true, (juce::uint8) 0));
    }

    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory()
                            .getSiblingFile ("ui-previews");
    ASSERT_TRUE (folder.createDirectory());

    for (float fade : { 1.0f, 0.35f })
    {
        using Slider = juce::Slider;
        Scene scene (KeysteadEditor::GetBackground(), &fade);
        const auto all = scene.picture.getBounds();
        scene.add (new juce::ImageComponent(), all).setImage (fadedPiece (scene.picture, all, fade));
        scene.add (new juce::ToggleButton ("START"), { 33, 97, 100, 24 });
        scene.add (new juce::ToggleButton ("STOP"), { 143, 97, 100, 24 })
            .setToggleState (true, juce::dontSendNotification);
        scene.add (new juce::ToggleButton ("START"), { 253, 97, 100, 24 })   // lit
            .setColour (juce::TextButton::buttonColourId, juce::Colour (0xFFFBFFBB));
        scene.add (new juce::ToggleButton ("OFF"), { 363, 97, 100, 20 }).setEnabled (false);
        scene.add (new Slider (Slider::LinearHorizontal, Slider::TextBoxAbove), { 526, 347, 183, 48 }).setValue (7.0);
        scene.add (new Slider (Slider::LinearHorizontal, Slider::NoTextBox), { 119, 213, 91, 24 }).setEnabled (false);
        for (int level = 0; level <= 5; ++level)
            scene.add (new KeysteadEditor::MidiInLight(), { 600 + 18 * level, 215, 12, 12 }).level = level;
        auto& verdict = scene.add (new Label ({}, {}), { 257, 400, 209, 106 });
        verdict.mode = Label::goodMode;
        verdict.handleAsyncUpdate();

        const auto image = snapshot (scene.window);
        const juce::uint32 lampColours[] { 0xFF80722A, 0xFF998729, 0xFFB29C24, 0xFFCCB01B, 0xFFE6C30F, 0xFFFFD600 };
        for (int level = 0; level <= 5; ++level)
            EXPECT_EQ (image.getPixelAt (606 + 18 * level, 221).getARGB(), lampColours[level]) << "level " << level;

        juce::MemoryOutputStream png;
        const auto doubled = image.rescaled (734 * 2, 564 * 2, juce::Graphics::lowResamplingQuality);
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (doubled, png));
        const auto name = fade < 1.0f ? "widgets-fade-035.png" : "widgets.png";
        EXPECT_TRUE (folder.getChildFile (name).replaceWithData (png.getData(), png.getDataSize()));
    }
}
