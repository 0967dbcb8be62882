# Delay loading: a program loads a DLL on the first call of one of its functions
# instead of before its entry point. Each such DLL has a .def file naming the
# functions the program calls (app/delayload/*.def); a function that reports
# failure through an HRESULT carries the comment "; HRESULT" after its name.
#
#   ornivex_delay_library(<name> <def>)     the delay-load import library of one DLL,
#                                           made by dlltool from its .def file
#   ornivex_delay_load(<target> <name>...)  <target> loads these DLLs on first use
#
# A call into a DLL that cannot be loaded, or that lacks the function, does not end
# the program: it returns 0 (an HRESULT function: a failing HRESULT) with the
# Windows error set, and leaves a trace (app/delayload/failure_hook.cpp).
# Adding a function the program calls is one line in its DLL's .def file; the link
# resolves a function missing from it through the DLL's ordinary import library,
# which puts the DLL back among those loaded at start-up (tests/app checks that).

function(ornivex_delay_library name def)
  get_filename_component(def "${def}" ABSOLUTE)
  file(STRINGS "${def}" library REGEX "^LIBRARY[ \t]+")
  string(REGEX REPLACE "^LIBRARY[ \t]+([^ \t;]+).*" "\\1" dll "${library}")
  set(lib "${CMAKE_CURRENT_BINARY_DIR}/lib${name}-delay.a")
  add_custom_command(OUTPUT "${lib}"
    COMMAND ${CMAKE_DLLTOOL} --input-def "${def}" --dllname "${dll}" --output-delaylib "${lib}"
    DEPENDS "${def}" VERBATIM)
  add_custom_target(ornivex_delay_${name} DEPENDS "${lib}")
  set_property(GLOBAL PROPERTY ORNIVEX_DELAY_${name}_LIB "${lib}")
  set_property(GLOBAL PROPERTY ORNIVEX_DELAY_${name}_DEF "${def}")
endfunction()

function(ornivex_delay_load target)
  set(libs "")
  set(hresults "")
  foreach(name IN LISTS ARGN)
    get_property(lib GLOBAL PROPERTY ORNIVEX_DELAY_${name}_LIB)
    get_property(def GLOBAL PROPERTY ORNIVEX_DELAY_${name}_DEF)
    if(NOT lib)
      message(FATAL_ERROR "ornivex_delay_load(${target}): no delay library ${name}")
    endif()
    add_dependencies(${target} ornivex_delay_${name})
    # A changed list relinks the program.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${lib}")
    list(APPEND libs "${lib}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${def}")
    file(STRINGS "${def}" lines REGEX "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*;[ \t]*HRESULT")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*([A-Za-z_][A-Za-z0-9_]*).*" "\\1" function "${line}")
      string(APPEND hresults "    \"${function}\",\n")
    endforeach()
  endforeach()
  # Linked whole, ahead of the ordinary import libraries, so that every function
  # listed is taken from them.
  list(JOIN libs "," joined)
  target_link_options(${target} PRIVATE "LINKER:--whole-archive,${joined},--no-whole-archive")
  set(table "${CMAKE_CURRENT_BINARY_DIR}/${target}_delay_load.cpp")
  file(CONFIGURE OUTPUT "${table}" CONTENT [[
// Made by ornivex_delay_load() from the .def files of the DLLs this program loads
// on first use: the functions among them that report failure through an HRESULT.
#include "app/delayload/failure_hook.h"

namespace ornivex::delay_load {

namespace {
constexpr const char* kHresultFunctions[] = {
@hresults@    nullptr,
};
}  // namespace

std::span<const char* const> HresultFunctions() { return {kHresultFunctions, std::size(kHresultFunctions) - 1}; }

}  // namespace ornivex::delay_load
]] @ONLY)
  target_sources(${target} PRIVATE "${table}")
  target_link_libraries(${target} PRIVATE ornivex_delay_load_hook)
endfunction()
