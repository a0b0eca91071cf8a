# Project-wide settings every target links.
add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
target_compile_options(project_options INTERFACE
    -Wall -Wextra -Wshadow -Wsuggest-override -Wformat=2 -Werror)
# GCC 12 reports -Wrestrict inside libstdc++'s string copy when string concatenation is inlined
# at -O2 and above (GCC bug 105651, fixed in GCC 13): a false positive that breaks every
# optimized build, so only that warning is silenced, only for that compiler.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(project_options INTERFACE -Wno-restrict)
endif()
target_include_directories(project_options INTERFACE ${CMAKE_SOURCE_DIR}/src)

# wizard_library(<name> [LINK <targets...>] [PRIVATE <targets...>])
# Builds every .cpp/.h of the calling folder (not its sub-folders) into one static library.
# LINK: libraries its headers need; PRIVATE: libraries only its sources use.
function(wizard_library name)
    cmake_parse_arguments(ARG "" "" "LINK;PRIVATE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        # A folder whose code has not been written yet still builds a (empty) library.
        set(placeholder ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${placeholder} "// no sources yet\n")
        set(sources ${placeholder})
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC project_options ${ARG_LINK})
    if(ARG_PRIVATE)
        target_link_libraries(${name} PRIVATE ${ARG_PRIVATE})
    endif()
endfunction()

# wizard_tests(<label> [LINK <targets...>])
# One test executable per test folder; every test carries the folder's label.
function(wizard_tests label)
    cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        return()
    endif()
    set(target ${label}_tests)
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE testsupport ${ARG_LINK})
    target_compile_definitions(${target} PRIVATE
        TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
        TEST_FIXTURE_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
        TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${target}_TESTS
        PROPERTIES LABELS ${label})
    # Properties holding lists cannot pass through gtest_discover_tests (CMake 3.25 flattens
    # them), so a script run after the discovered tests sets them. Suites named *Server* need
    # the Firebird server on loopback and also carry the label "server".
    set(post ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
    file(WRITE ${post}
"foreach(t IN LISTS ${target}_TESTS)
  set_tests_properties(\"\${t}\" PROPERTIES
      ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;TZ=Asia/Tokyo\")
  if(t MATCHES \"^[^.]*Server[^.]*\\\\.\")
    set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${label};server\")
  endif()
endforeach()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${post})
endfunction()
