# Shared build settings and helpers for every target of the project.

add_library(brivano_warnings INTERFACE)
target_compile_options(brivano_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wconversion -Wno-sign-conversion)
if(BRIVANO_WERROR)
    target_compile_options(brivano_warnings INTERFACE -Werror)
    # GCC 12's -Wrestrict reports overlaps that cannot happen in std::string
    # code it inlines at -O3 (a literal added in front of a string); it stays
    # a warning in optimised builds rather than failing them. Debug builds,
    # whose compile commands the static checks read, do not carry the flag.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(brivano_warnings INTERFACE
            $<$<NOT:$<CONFIG:Debug>>:-Wno-error=restrict>)
    endif()
endif()

# Adds every listed sub-folder that has been given a CMakeLists.txt, so a folder
# joins the build the moment its first unit lands.
function(brivano_add_existing_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()

# brivano_expose_headers(<target> [extra headers...]) — the target's include
# folder, spelled "folder/X.h" as in src/ but holding links to its own headers
# only: those whose .cpp it compiles, the folder's header-only ones for the
# target named after the folder, and any extra listed. A target so sees the
# headers of what it links and no others. Libraries call it once their folder
# is read, so sources added later with target_sources count too.
function(brivano_expose_headers name)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${CMAKE_CURRENT_BINARY_DIR}/include/${name})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${folder})
    get_target_property(sources ${name} SOURCES)
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(header IN LISTS headers)
        string(REGEX REPLACE "[.]h$" ".cpp" unit ${header})
        if(unit IN_LIST sources OR header IN_LIST ARGN
           OR (name STREQUAL "brivano_${folder}" AND NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${unit}))
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header} SYMBOLIC)
        endif()
    endforeach()
    get_target_property(type ${name} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${name} INTERFACE ${root})
    elseif(type STREQUAL "EXECUTABLE")
        target_include_directories(${name} PRIVATE ${root})
    else()
        target_include_directories(${name} PUBLIC ${root})
    endif()
endfunction()

# brivano_library(<name> SOURCES ... [LIBS ...] [QT]) — one library per source
# folder; QT marks window code (moc, Qt Widgets).
function(brivano_library name)
    cmake_parse_arguments(L "QT" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${L_SOURCES})
    cmake_language(EVAL CODE "cmake_language(DEFER CALL brivano_expose_headers ${name})")
    target_link_libraries(${name} PUBLIC ${L_LIBS} PRIVATE brivano_warnings)
    if(L_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PUBLIC Qt6::Widgets)
    endif()
endfunction()

# brivano_test(<name> SOURCES ... LIBS ... [QT] [LABELS ...]) — a GoogleTest
# executable registered with ctest; QT tests get a main that starts a
# QApplication on the offscreen platform. LABELS go to every case (e2e: the
# cases start a real peer).
function(brivano_test name)
    cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE brivano_qt_test_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} brivano_test_support GTest::gtest
        GTest::gmock brivano_warnings)
    # Every case is labelled window (needs Qt) or core, so `ctest -L core`
    # picks the cases the core and tsan presets also run.
    if(T_QT)
        list(APPEND T_LABELS window)
    else()
        list(APPEND T_LABELS core)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 120
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 LABELS "${T_LABELS}")
endfunction()

# The project's version as a header, for the programs' --version.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Versione.h.in ${PROJECT_BINARY_DIR}/generated/Versione.h
    @ONLY)
add_library(brivano_versione INTERFACE)
target_include_directories(brivano_versione INTERFACE ${PROJECT_BINARY_DIR}/generated)
