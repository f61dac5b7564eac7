# Sanitizers for every target of this build, JUCE's modules included: they compile once into
# keystead_juce, so a fault or race that passes through JUCE's own code is seen as well.
# Empty for a plain build; "address,undefined" or "thread" for the checking builds.

set(KEYSTEAD_SANITIZE "" CACHE STRING "Sanitizers for all code built here: empty, address,undefined or thread")
set_property(CACHE KEYSTEAD_SANITIZE PROPERTY STRINGS "" "address,undefined" "thread")

if(KEYSTEAD_SANITIZE)
    string(REPLACE "," ";" keystead_sanitizers "${KEYSTEAD_SANITIZE}")
    foreach(sanitizer IN LISTS keystead_sanitizers)
        if(NOT sanitizer MATCHES "^(address|undefined|thread)$")
            message(FATAL_ERROR "KEYSTEAD_SANITIZE: unknown sanitizer '${sanitizer}'")
        endif()
    endforeach()
    if("thread" IN_LIST keystead_sanitizers AND "address" IN_LIST keystead_sanitizers)
        message(FATAL_ERROR "KEYSTEAD_SANITIZE: thread and address cannot be combined")
    endif()

    set(keystead_sanitize_flags -fsanitize=${KEYSTEAD_SANITIZE} -fno-omit-frame-pointer)
    # The engine reserves its vectors' capacity, so a read past a vector's end usually stays
    # inside its allocation. The standard library's annotations let the address sanitizer see
    # such reads, and its bounds checks name the faulty index. The annotations must be the
    # same in every object that touches a vector, so the tests then build GoogleTest here too.
    if("address" IN_LIST keystead_sanitizers)
        add_compile_definitions(_GLIBCXX_SANITIZE_VECTOR _GLIBCXX_ASSERTIONS)
    endif()
    # A finding must fail the run, not just print a line.
    if("undefined" IN_LIST keystead_sanitizers)
        list(APPEND keystead_sanitize_flags -fno-sanitize-recover=undefined)
        # JUCE's GIF decoder indexes its code table below zero; on X11 it decodes the framework's
        # own dragging-hand cursor picture, so every component with that cursor would stop the
        # run. The finding is real but lies in the distribution's framework sources, which we do
        # not patch; JUCE's graphics module alone is built without the array-bounds check.
        set_source_files_properties(${JUCE_MODULES_DIR}/juce_graphics/juce_graphics.cpp
                                    PROPERTIES COMPILE_OPTIONS -fno-sanitize=bounds)
    endif()

    # JUCE's leak detector counts each class's objects in one atomic that every thread changes:
    # to the thread sanitizer each construction then follows every earlier destruction of the
    # same class, which hides a race between an object made on one thread and one deleted on
    # another (a repaint message of the chord strip's halo). The address build checks for leaks.
    if("thread" IN_LIST keystead_sanitizers)
        add_compile_definitions(JUCE_CHECK_MEMORY_LEAKS=0)
    endif()

    # Directory-wide, before any target exists, so JUCE, our libraries, the program and the
    # tests all build and link with them.
    add_compile_options(${keystead_sanitize_flags})
    add_link_options(${keystead_sanitize_flags})

    if(KEYSTEAD_BUILD_BENCHMARKS)
        message(WARNING "KEYSTEAD_SANITIZE: benchmarks measure nothing useful in a sanitizer build, "
                        "and with address Google Benchmark's prebuilt library lacks the vector annotations")
    endif()
endif()

# JUCE loads Xlib at run time and unloads it when the program shuts down. LeakSanitizer checks
# after that, when the caches Xlib still held are unreachable through a library no longer
# mapped, and reports them as leaks of an unknown module, which no suppression can name.
# Linking Xlib keeps it mapped to the end, so only real leaks remain.
if("address" IN_LIST keystead_sanitizers)
    find_package(X11 REQUIRED)
    link_libraries("-Wl,--push-state,--no-as-needed" X11::X11 "-Wl,--pop-state")
endif()
