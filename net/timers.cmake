# The stage timers, the slideshow tick and the connectivity watchdog.
target_sources(tidewell_logic PRIVATE ${CMAKE_CURRENT_LIST_DIR}/timers_wait.cpp)
if(WIN32)
    target_sources(tidewell_win PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/timers.cpp
        ${CMAKE_CURRENT_LIST_DIR}/net_watch.cpp)
endif()
