#include "UiTestSupport.h"

#include "BinaryData.h"

TEST (EmbeddedPictures, BackgroundIsDecodedOnceAtTheWindowsSize)
{
    auto& background = KeysteadEditor::GetBackground();
    EXPECT_EQ (background.getWidth(), 734);
    EXPECT_EQ (background.getHeight(), 564);
    EXPECT_EQ (&background, &KeysteadEditor::GetBackground());

    // Light enough for black text everywhere: no region of it is dark on average.
    for (int y = 0; y + 24 <= background.getHeight(); y += 24)
        for (int x = 0; x + 24 <= background.getWidth(); x += 24)
        {
            float brightness = 0.0f;

            for (int j = 0; j < 24; ++j)
                for (int i = 0; i < 24; ++i)
                    brightness += background.getPixelAt (x + i, y + j).getBrightness();

            EXPECT_GT (brightness / (24.0f * 24.0f), 0.6f) << "block at " << x << ", " << y;
        }
}

TEST (EmbeddedPictures, NotesAreTransparentPicturesOfTheirSizes)
{
    struct Note { const char* data; int size; int width; int height; };
    const Note notes[] = {
        { BinaryData::resource_KeysteadEditor_noire_png, BinaryData::resource_KeysteadEditor_noire_pngSize, 27, 80 },
        { BinaryData::resource_KeysteadEditor_croche_png, BinaryData::resource_KeysteadEditor_croche_pngSize, 51, 89 },
        { BinaryData::resource_KeysteadEditor_doublecroche_png, BinaryData::resource_KeysteadEditor_doublecroche_pngSize, 53, 93 },
    };

    for (const auto& note : notes)
    {
        const auto image = juce::ImageCache::getFromMemory (note.data, note.size);
        EXPECT_EQ (image.getWidth(), note.width);
        EXPECT_EQ (image.getHeight(), note.height);
        EXPECT_TRUE (image.hasAlphaChannel());
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0) << "transparent ground";
    }
}
