# GoogleTest from Debian's sources, built with whichever compiler this build uses.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(WIN32)
  # Windows test programs run under Wine, in a private prefix inside this build folder.
  set(ORNIVEX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${ORNIVEX_WINEPREFIX}")
endif()

# ornivex_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [GUI] [TIMEOUT s])
# One test program, registered with CTest as one test. GUI tests share the display
# and the foreground, so they never run at the same time as each other.
function(ornivex_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set(labels ${T_LABELS})
  if(WIN32)
    list(APPEND labels win)
  else()
    list(APPEND labels native)
  endif()
  if(T_GUI)
    list(APPEND labels gui)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT})
endfunction()

# ornivex_scaled_tests(<target> DPIS <dpi> ... [TIMEOUT s])
# Runs a Windows test program once more for each display scale, each in a Wine
# prefix of its own whose LogPixels is that DPI (the prefix is made on first use),
# as tests named <target>_<dpi>. GUI tests: they hold the display.
function(ornivex_scaled_tests target)
  cmake_parse_arguments(T "" "TIMEOUT" "DPIS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  foreach(dpi ${T_DPIS})
    add_test(NAME ${target}_${dpi}
             COMMAND ${CMAKE_COMMAND} -E env ORNIVEX_LOGPIXELS=${dpi}
                     ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${ORNIVEX_WINEPREFIX}-${dpi} $<TARGET_FILE:${target}>
                     --gtest_color=no)
    set_tests_properties(${target}_${dpi} PROPERTIES LABELS "win;gui;dpi" RESOURCE_LOCK display
                         TIMEOUT ${T_TIMEOUT})
  endforeach()
endfunction()
