# The benchmark suite: `cmake --build <build> --target bench` (or `make bench`) runs every
# benchmark and gathers their figures into bench-results.json in the build folder; ctest
# runs each one briefly (--smoke) so they keep building and running.

# The start-up benchmark watches the real binary's windows on an X server when it can.
pkg_check_modules(ZELPHOR_BENCH_XCB QUIET IMPORTED_TARGET xcb)
if(TARGET bench_startup AND ZELPHOR_BENCH_XCB_FOUND)
    target_link_libraries(bench_startup PRIVATE PkgConfig::ZELPHOR_BENCH_XCB)
    target_compile_definitions(bench_startup PRIVATE ZELPHOR_BENCH_XCB)
endif()

set(ZELPHOR_BENCH_FILES)
foreach(name ${ZELPHOR_BENCH_TARGETS})
    list(APPEND ZELPHOR_BENCH_FILES $<TARGET_FILE:${name}>)
endforeach()

add_custom_target(bench
    COMMAND ${CMAKE_COMMAND} -E env ZELPHOR_BENCH_BINARY=$<TARGET_FILE:zelphor>
            ZELPHOR_CMAKE=${CMAKE_COMMAND}
            bash ${CMAKE_CURRENT_SOURCE_DIR}/run-benchmarks.sh ${CMAKE_BINARY_DIR}
            ${ZELPHOR_BENCH_FILES}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    USES_TERMINAL
    VERBATIM
    COMMENT "Running the benchmarks")
add_dependencies(bench zelphor ${ZELPHOR_BENCH_TARGETS})

if(ZELPHOR_TESTS)
    set(ZELPHOR_BENCH_SMOKE_DIR ${CMAKE_CURRENT_BINARY_DIR}/smoke)
    file(MAKE_DIRECTORY ${ZELPHOR_BENCH_SMOKE_DIR})
    foreach(name ${ZELPHOR_BENCH_TARGETS})
        add_test(NAME smoke_${name} COMMAND ${name} --smoke
                 WORKING_DIRECTORY ${ZELPHOR_BENCH_SMOKE_DIR})
        set_tests_properties(smoke_${name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELPHOR_DATA_DIR=${CMAKE_BINARY_DIR}"
            LABELS unit TIMEOUT 120)
    endforeach()
endif()

# Endurance: every Effect for one simulated hour on the real window and the offline
# synthesizer; memory must stay flat and nothing sound after Freeze. About ten minutes, so
# it runs on its own: ctest -L soak.
if(ZELPHOR_TESTS)
    add_executable(soak_effects ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_effects.cpp)
    target_link_libraries(soak_effects PRIVATE zelphor_test_support zelphor_synth_testing
                          zelphor_warnings)
    target_include_directories(soak_effects PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    add_test(NAME soak_effects COMMAND soak_effects)
    set_tests_properties(soak_effects PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELPHOR_DATA_DIR=${CMAKE_BINARY_DIR}"
        LABELS soak TIMEOUT 3600)
endif()
