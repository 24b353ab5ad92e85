# Tests of the stage timers, the slideshow tick and the connectivity watchdog.
tidewell_logic_test(timers_wait_test ${CMAKE_CURRENT_LIST_DIR}/timers_wait_test.cpp)
tidewell_win_test(timers_test ${CMAKE_CURRENT_LIST_DIR}/timers_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/install/recording_window.cpp)

if(WIN32)
    # Connectivity for real: a probe program runs the watchdog inside the test's network
    # namespace while the Python side takes the link down and up again.
    add_executable(timers_net_watch_probe ${CMAKE_CURRENT_LIST_DIR}/timers_net_watch_probe.cpp
        ${CMAKE_SOURCE_DIR}/tests/install/recording_window.cpp)
    target_link_libraries(timers_net_watch_probe PRIVATE tidewell_win)
    target_link_options(timers_net_watch_probe PRIVATE -municode)
    add_test(NAME timers_net_watch
        COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/timers_net_watch_test.py
            --arch ${TIDEWELL_WINE_ARCH} $<TARGET_FILE:timers_net_watch_probe>)
    tidewell_wine_test_properties(timers_net_watch)
endif()
