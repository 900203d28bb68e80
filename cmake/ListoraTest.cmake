# listora_add_test(NAME TIER core|render|widgets SOURCES ... [LIBS ...] [ENV VAR=VALUE ...]
#                  [DEPENDS target ...] [TIMEOUT seconds] [XVFB])
# Every test runs through tests/run-isolated.sh: a fresh temporary HOME and XDG folders, the
# offscreen platform (XVFB: an X server of its own, through xvfb-run), a fixed locale and time
# zone, and the build tree's data folder.
function(listora_add_test name)
    cmake_parse_arguments(T "XVFB" "TIER;TIMEOUT" "SOURCES;LIBS;ENV;DEPENDS" ${ARGN})
    if(NOT T_TIER)
        set(T_TIER core)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    # The test support's widget part only where widgets are linked anyway.
    if(T_TIER STREQUAL "widgets")
        set(support listora_testsupport_widgets)
    else()
        set(support listora_testsupport)
    endif()
    target_link_libraries(${name} PRIVATE listora_${T_TIER} ${support} Qt6::Test ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        LISTORA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
        LISTORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        LISTORA_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    add_dependencies(${name} listora_data ${T_DEPENDS})
    set(platform offscreen)
    set(display)
    if(T_XVFB)
        # Real focus and activation need a real X server: one of the test's own, whatever DISPLAY says.
        set(platform xcb)
        set(display xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")
    endif()
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/run-isolated.sh ${display} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};LANG=C.UTF-8;LC_ALL=C.UTF-8;TZ=UTC;LISTORA_DATA_DIR=${LISTORA_BUILD_DATA_DIR};LISTORA_BIN_DIR=${CMAKE_BINARY_DIR}/bin;LISTORA_SOURCE_DIR=${CMAKE_SOURCE_DIR};${T_ENV}")
endfunction()
