# GoogleTest from the distribution's sources, built with this tree's compiler.
set(OVS_GOOGLETEST_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# GoogleTest's own sources don't build warning-free with -Werror everywhere.
set(_ovs_saved_options "${CMAKE_CXX_FLAGS}")
add_subdirectory(${OVS_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
        target_compile_options(${t} PRIVATE -Wno-error)
    endif()
endforeach()

# ovs_add_test(name SOURCES ... LIBS ... [WINE_PREFIX dir] [RESOURCE_LOCK r])
# One CTest test per program; on Windows builds it runs under Wine through the
# crosscompiling emulator.
function(ovs_add_test name)
    cmake_parse_arguments(T "" "WINE_PREFIX;TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK;DEPENDS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        OVS_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        OVS_BUILD_DIR="${CMAKE_BINARY_DIR}"
        OVS_CORPUS_DIR="${CMAKE_SOURCE_DIR}/../shared/corpus")
    if(T_DEPENDS)
        add_dependencies(${name} ${T_DEPENDS})
    endif()
    if(WIN32)
        # Both trees run their tests through the Wine runner; an i686 test
        # is reported as skipped (exit 77) where no 32-bit Wine can run.
        set(_emu "${CMAKE_SOURCE_DIR}/tools/winerun" --prefix "${OVS_WINE_PREFIX}")
        if(T_WINE_PREFIX)
            set(_emu "${CMAKE_SOURCE_DIR}/tools/winerun" --prefix "${T_WINE_PREFIX}")
        endif()
        add_test(NAME ${name} COMMAND ${_emu} $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(TEST ${name})
        if(T_RESOURCE_LOCK)
            set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
        endif()
        if(T_TIMEOUT)
            set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
        endif()
    endif()
endfunction()
