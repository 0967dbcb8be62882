#pragma once
// What a program that loads DLLs on first use (app/delayload/delay_load.cmake)
// does when a DLL or one of its functions cannot be found: the call fails instead
// of ending the program. The hook itself is installed by linking
// failure_hook.cpp; a program provides the list below, made from its .def files.
#include <span>

namespace ornivex::delay_load {

// The delay-loaded functions whose failure is an HRESULT (the others fail with 0).
std::span<const char* const> HresultFunctions();

}  // namespace ornivex::delay_load
