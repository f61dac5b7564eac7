# JUCE's modules are interface libraries whose sources compile into whatever links them.
# Linking them privately into one static library compiles them once; the program, the
# tests and the benchmarks then link that library and get JUCE's headers and definitions
# through its interface.

add_library(keystead_juce STATIC)

target_link_libraries(keystead_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_audio_basics
        juce::juce_audio_devices
        juce::juce_audio_formats
        juce::juce_audio_processors
        juce::juce_audio_utils
        juce::juce_recommended_config_flags
    PUBLIC
        # Debian strips JUCE's bundled codecs and image libraries; the system ones replace them.
        PkgConfig::KEYSTEAD_CODECS)

target_compile_definitions(keystead_juce
    PUBLIC
        JUCE_USE_MP3AUDIOFORMAT=1
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_ALSA=1
        JUCE_JACK=1
        JUCE_STANDALONE_APPLICATION=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_LOG_ASSERTIONS=1
        JUCE_USE_XRANDR=1
        JUCE_USE_XINERAMA=1)

# JUCE itself is built with its modal loops, which only the tests use (to pump the message loop);
# they add the definition for their own code. The program's code never sees them.
target_compile_definitions(keystead_juce PRIVATE JUCE_MODAL_LOOPS_PERMITTED=1)

target_compile_definitions(keystead_juce
    INTERFACE $<FILTER:$<TARGET_PROPERTY:keystead_juce,COMPILE_DEFINITIONS>,EXCLUDE,^JUCE_MODAL_LOOPS_PERMITTED>)
target_include_directories(keystead_juce
    INTERFACE $<TARGET_PROPERTY:keystead_juce,INCLUDE_DIRECTORIES>)

# JUCE's own sources are not warning-clean under our flags; keep their output quiet.
target_compile_options(keystead_juce PRIVATE -w)

# Warnings for our own code: JUCE's recommended set, optionally as errors.
add_library(keystead_warnings INTERFACE)
target_link_libraries(keystead_warnings INTERFACE juce::juce_recommended_warning_flags)
if(KEYSTEAD_WERROR)
    target_compile_options(keystead_warnings INTERFACE -Werror)
endif()
