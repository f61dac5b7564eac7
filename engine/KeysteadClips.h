#pragma once

#include <BinaryData.h>

/** The three clips by sound number: 0 the boo sound, 1 the good sound, 2 the metronome click.

    They are compiled in from resources/sounds/; these are the names the engine uses for them.
*/
namespace BinaryData
{
    inline const char* const& temp_binary_data_0 = boo_mp3;
    constexpr int temp_binary_data_0Size = boo_mp3Size;

    inline const char* const& temp_binary_data_1 = good_mp3;
    constexpr int temp_binary_data_1Size = good_mp3Size;

    inline const char* const& temp_binary_data_2 = click_mp3;
    constexpr int temp_binary_data_2Size = click_mp3Size;
}
