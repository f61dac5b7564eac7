#pragma once

// Helpers of the display tests, beside the shared ones of UiTestSupport.h.

#include "UiTestSupport.h"

namespace uitest
{
    // An editor as the pianist sees it after the reveal: every child shown, the stopped look.
    inline KeysteadEditor& openRevealed (EditorFixture& f)
    {
        auto& e = f.openStill();
        for (int step = 1; step <= 16; ++step)
            revealStep (e, step);
        return e;
    }

    // Nothing drawn anywhere in the image.
    inline ::testing::AssertionResult blank (const juce::Image& image)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() != 0)
                    return ::testing::AssertionFailure() << "drawn at " << x << ", " << y;
        return ::testing::AssertionSuccess();
    }

    // The most children a component has had while this watched it (halos come and go).
    struct MostChildren : juce::ComponentListener
    {
        explicit MostChildren (juce::Component& c) : watched (&c) { c.addComponentListener (this); }
        ~MostChildren() override
        {
            if (watched != nullptr)
                watched->removeComponentListener (this);
        }
        void componentChildrenChanged (juce::Component& c) override
        {
            most = std::max (most, c.getNumChildComponents());
        }
        juce::Component::SafePointer<juce::Component> watched;
        int most = 0;
    };
}
