# The framework's modules, compiled once into one static library that the editor, the tools
# and every test binary link.
add_library(orvane_juce STATIC)
target_link_libraries(orvane_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_audio_basics
        juce::juce_audio_devices
    PUBLIC
        juce::juce_recommended_config_flags
        juce::pkgconfig_JUCE_IMG_LINUX_DEPS
        # Linked directly so that libX11 stays loaded until exit (LeakSanitizer otherwise
        # reports the framework's X11 allocations as leaks once the library is unloaded).
        ${X11_LIBRARIES})
target_compile_definitions(orvane_juce
    PUBLIC
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_USE_CURL=0
        JUCE_WEB_BROWSER=0
        JUCE_STANDALONE_APPLICATION=1
        JUCE_JACK=0
        JUCE_ALSA=1
        JUCE_USE_XSHM=0
    INTERFACE
        $<TARGET_PROPERTY:orvane_juce,COMPILE_DEFINITIONS>)
target_include_directories(orvane_juce
    INTERFACE $<TARGET_PROPERTY:orvane_juce,INCLUDE_DIRECTORIES>)
# ORVANE_FRAMEWORK_CHECKS: the framework's own checks, which every build with NDEBUG leaves out:
# its assertions (jassert) and its detector of leaked objects, compiled into every target.
option(ORVANE_FRAMEWORK_CHECKS "Build with the framework's assertions and leak detector" OFF)
if(ORVANE_FRAMEWORK_CHECKS)
    target_compile_definitions(orvane_juce PUBLIC JUCE_FORCE_DEBUG=1 JUCE_CHECK_MEMORY_LEAKS=1)
endif()
# gcc 12 warns falsely (-Wdangling-pointer) inside the framework's headers.
target_compile_options(orvane_juce PRIVATE -w)
set_target_properties(orvane_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)
