#pragma once
// Failures the user is never told about still leave a trace for developers: one
// line per failure on the debugger's output (OutputDebugStringW), naming what
// failed and the Windows error or HRESULT. Nothing is written to a file and
// nothing is shown. Read the lines with a debugger, DebugView, or under Wine with
// WINEDEBUG=+debugstr.
#include <windows.h>

#include <string>
#include <string_view>

namespace ornivex {

// "Ornivex: <what> failed: error <code> (<system text>)". `error` defaults to the
// calling thread's last error, read before anything else runs.
void TraceFailure(std::wstring_view what, DWORD error = GetLastError(), std::string_view gbkDetail = {}) noexcept;
// "Ornivex: <what> failed: HRESULT 0x<hr> (<system text>)".
void TraceHresult(std::wstring_view what, HRESULT hr, std::string_view gbkDetail = {}) noexcept;
// "Ornivex: <what>", for failures that carry no Windows code (a status of our own).
void TraceNote(std::wstring_view what, std::string_view gbkDetail = {}) noexcept;
// Each line may end in ": " and a GBK detail (a numbered status text, an address
// without its query, which may hold credentials).
// None of them throws: without memory for the line a fixed one is written.

}  // namespace ornivex
