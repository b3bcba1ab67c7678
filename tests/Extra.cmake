# Targets beyond the one-file-per-behaviour unit tests.

# Every Effect for one simulated hour on the offline synthesizer: ctest -L soak.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_effects.cpp)
add_executable(soak_effects ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_effects.cpp)
target_link_libraries(soak_effects PRIVATE zelphor_test_support zelphor_warnings)
add_test(NAME soak_effects COMMAND soak_effects)
set_tests_properties(soak_effects PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELPHOR_DATA_DIR=${CMAKE_BINARY_DIR}"
    LABELS soak TIMEOUT 3600)
endif()

if(ZELPHOR_FUZZ)
    add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/fuzz ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
endif()
