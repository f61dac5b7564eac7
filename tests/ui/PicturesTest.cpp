// The embedded pictures' sizes and grounds, and the MIDI light's colour at each level as it paints.

#include "UiTestSupport.h"

#include "BinaryData.h"

using namespace uitest;

TEST (Pictures, SizesGroundsAndLampColours)
{
    using namespace BinaryData;
    // The look and feel cuts the widget faces out of the background at their own places.
    EXPECT_EQ (KeysteadEditor::GetBackground().getBounds(), juce::Rectangle<int> (734, 564));

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

    // The lamp fills its whole bounds, from its dim resting colour to its brightest.
    const juce::uint32 lampColours[] { 0xFF80722A, 0xFF998729, 0xFFB29C24, 0xFFCCB01B, 0xFFE6C30F, 0xFFFFD600 };
    KeysteadEditor::MidiInLight lamp;
    lamp.setBounds (0, 0, 12, 12);
    for (int level = 0; level <= 5; ++level)
    {
        lamp.level = level;
        EXPECT_EQ (snapshot (lamp).getPixelAt (6, 6).getARGB(), lampColours[level]) << "level " << level;
    }
}
