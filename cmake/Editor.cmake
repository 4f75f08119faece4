# The editor's own code: every source of app/ (but the program's entry point), editor/ with
# editor/link/, organ/, midi/, widgets/ and resources/, in one library that the application and
# the tests link.
file(GLOB ORVANE_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/app/*.cpp
    ${CMAKE_SOURCE_DIR}/midi/*.cpp
    ${CMAKE_SOURCE_DIR}/organ/*.cpp
    ${CMAKE_SOURCE_DIR}/editor/*.cpp
    ${CMAKE_SOURCE_DIR}/editor/link/*.cpp
    ${CMAKE_SOURCE_DIR}/widgets/*.cpp
    ${CMAKE_SOURCE_DIR}/resources/*.cpp)
list(FILTER ORVANE_SOURCES EXCLUDE REGEX "/app/Main\\.cpp$")

file(GLOB ORVANE_SKIN_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/skin/*.png)
if(ORVANE_SKIN_IMAGES)
    juce_add_binary_data(orvane_skin NAMESPACE SkinData HEADER_NAME SkinData.h
        SOURCES ${ORVANE_SKIN_IMAGES})
    set_target_properties(orvane_skin PROPERTIES POSITION_INDEPENDENT_CODE ON)
endif()

add_library(orvane_core STATIC ${ORVANE_SOURCES})
target_include_directories(orvane_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(orvane_core PUBLIC orvane_juce)
if(TARGET orvane_skin)
    target_link_libraries(orvane_core PUBLIC orvane_skin)
endif()
target_compile_options(orvane_core PRIVATE ${ORVANE_WARNINGS})

juce_add_gui_app(OrvaneEditor
    PRODUCT_NAME "Orvane Editor"
    VERSION 1.00
    COMPANY_NAME "Halvorin")
target_sources(OrvaneEditor PRIVATE ${CMAKE_SOURCE_DIR}/app/Main.cpp)
target_link_libraries(OrvaneEditor PRIVATE orvane_core)
target_compile_options(OrvaneEditor PRIVATE ${ORVANE_WARNINGS})
set_target_properties(OrvaneEditor PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    OUTPUT_NAME orvane-editor)
