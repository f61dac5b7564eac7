#pragma once

#include <fstream>

#include "EditorTestSupport.h"

namespace uitest
{
    // A mouse event on a component at a position, pressed at another (or the same) one.
    inline juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> at,
                                     std::optional<juce::Point<float>> down = {})
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), at, {},
                                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                 &c, &c, now, down.value_or (at), now, 1, down.has_value());
    }

    // What a colour drawn at an alpha over white looks like.
    inline juce::Colour overWhite (juce::Colour c, juce::uint8 alpha)
    {
        return juce::Colours::white.overlaidWith (c.withAlpha (alpha));
    }

    inline ::testing::AssertionResult near (juce::Colour got, juce::Colour want, int tolerance = 2)
    {
        const auto diff = [] (juce::uint8 a, juce::uint8 b) { return std::abs ((int) a - (int) b); };
        const int d = std::max ({ diff (got.getRed(), want.getRed()), diff (got.getGreen(), want.getGreen()),
                                  diff (got.getBlue(), want.getBlue()), diff (got.getAlpha(), want.getAlpha()) });
        if (d <= tolerance)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << got.toDisplayString (true) << " is not "
                                             << want.toDisplayString (true);
    }

    // A component's own painting (children included) over a white ground.
    inline juce::Image onWhite (juce::Component& c)
    {
        juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
        juce::Graphics g (image);
        g.fillAll (juce::Colours::white);
        g.drawImageAt (c.createComponentSnapshot (c.getLocalBounds(), false), 0, 0);
        return image;
    }

    // How many of this process's threads carry a name starting so (Linux keeps 15 characters).
    inline int threadsNamed (const std::string& prefix)
    {
        int count = 0;
        for (const auto& task : juce::File ("/proc/self/task").findChildFiles (juce::File::findDirectories, false))
        {
            std::ifstream comm (task.getChildFile ("comm").getFullPathName().toStdString());
            std::string name;
            std::getline (comm, name);
            count += name.rfind (prefix.substr (0, 15), 0) == 0 ? 1 : 0;
        }
        return count;
    }

    // An editor as the pianist sees it after the reveal: every child shown, the stopped look.
    inline KeysteadEditor& openRevealed (EditorFixture& f)
    {
        auto& e = f.openStill();
        for (int step = 1; step <= 16; ++step)
            revealStep (e, step);
        return e;
    }
}
