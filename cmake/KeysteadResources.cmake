# The clips and pictures live in resources/ under readable names; the program refers to
# them by fixed array names. JUCE names each array after its file, so each resource is
# copied to a file of the wanted name before the byte arrays are generated. (The clips keep
# their own names here: JUCE's generator uses temp_binary_data_N for its internal arrays,
# so engine/KeysteadClips.h gives the clips those names as aliases instead.)

set(KEYSTEAD_RESOURCE_MAP
    "sounds/boo.mp3=boo.mp3"
    "sounds/good.mp3=good.mp3"
    "sounds/click.mp3=click.mp3"
    "pictures/background.jpg=resource_KeysteadEditor_vorthAuPiano.jpg"
    "pictures/quarter_note.png=resource_KeysteadEditor_noire.png"
    "pictures/eighth_note.png=resource_KeysteadEditor_croche.png"
    "pictures/sixteenth_note.png=resource_KeysteadEditor_doublecroche.png")

set(KEYSTEAD_BINARY_FILES)
foreach(entry IN LISTS KEYSTEAD_RESOURCE_MAP)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    set(source_path "${CMAKE_CURRENT_SOURCE_DIR}/resources/${source}")
    if(EXISTS "${source_path}")
        # configure_file makes the copy a configure dependency, so a regenerated clip
        # is picked up by the next build.
        configure_file("${source_path}" "${CMAKE_CURRENT_BINARY_DIR}/binary/${target}" COPYONLY)
        list(APPEND KEYSTEAD_BINARY_FILES "${CMAKE_CURRENT_BINARY_DIR}/binary/${target}")
    else()
        message(WARNING "Missing resource ${source_path}")
    endif()
endforeach()

juce_add_binary_data(keystead_binary_data
    HEADER_NAME BinaryData.h
    NAMESPACE BinaryData
    SOURCES ${KEYSTEAD_BINARY_FILES})
set_target_properties(keystead_binary_data PROPERTIES POSITION_INDEPENDENT_CODE ON)
