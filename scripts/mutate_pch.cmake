# Included into the mutation build only (scripts/mutate.sh): every test program
# there gets GoogleTest and the standard headers it uses as a precompiled
# header, since a mutant of a header has all the test sources that include it
# compiled again.
include_guard(GLOBAL)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _ornivex_mutation_pch)
function(_ornivex_mutation_pch)
  set(folders ${CMAKE_SOURCE_DIR}/tests)
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <string> <string_view> <vector> <span>)
      endif()
    endforeach()
  endwhile()
endfunction()
