#pragma once
// Run-time binding of the GDI+ flat interface, GDI+ start and stop, and the
// module-wide status of the last wrapped call.
//
// The program has no import-table entries for gdiplus.dll: every entry point it
// uses is listed once in gfx/flat_functions.inc and looked up by name when GDI+ is
// started. The prototypes come from the platform's GDI+ headers, so every pointer in
// the table has the exact type of the function it holds.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace ornivex::gfx {

// Names the wrapper speaks in, taken from the platform headers.
using Gdiplus::ARGB;
using Gdiplus::GpStatus;
using Gdiplus::REAL;
using PointF = Gdiplus::PointF;
using Point = Gdiplus::Point;
using RectF = Gdiplus::RectF;
using Rect = Gdiplus::Rect;
using SizeF = Gdiplus::SizeF;
using BitmapData = Gdiplus::BitmapData;

namespace flatdecl {
using namespace Gdiplus;
using namespace Gdiplus::DllExports;
}  // namespace flatdecl

// One pointer per entry point, named exactly as the export.
struct FlatApi {
#define GFX_FLAT(name) decltype(&flatdecl::name) name;
#include "gfx/flat_functions.inc"
#undef GFX_FLAT
};

// The bound entry points. Valid once GdiplusStartup has succeeded.
extern FlatApi g_flat;

// The names of every entry point in the table, in table order.
std::span<const char* const> FlatFunctionNames();

// Looks every name of `names` up in `dll` and stores it in `api`, in table order
// (`names` must have one entry per table slot). Returns null when all were found,
// otherwise the first name the library does not export (and `api` is partly bound).
const char* BindFlatApi(HMODULE dll, std::span<const char* const> names, FlatApi& api);

// Lets a test bind under a misspelt name to see start-up fail. Returns false when
// `name` is not in the table. Pass the same name twice to undo.
bool SubstituteFlatFunctionName(const char* name, const char* substitute);

// Exit code of a process that could not bind gdiplus.dll.
inline constexpr UINT kBindingFailureExitCode = 86;

// The status of the most recent wrapped call, whatever object made it. One plain
// variable for the whole program: not per object, not per thread.
inline GpStatus LastStatus = Gdiplus::Ok;

// Stores a status as the last one; true exactly when it is Ok.
inline bool StoreStatus(GpStatus status) {
  LastStatus = status;
  return status == Gdiplus::Ok;
}

// The token of the running GDI+ session (0 when stopped; Wine may hand out 0 too).
extern ULONG_PTR g_gdiplusToken;

// Loads and binds gdiplus.dll on first use (a missing entry point ends the process
// with a message naming it), then starts GDI+ with the given version (1 when 0).
// The token is stored module-wide and returned; 0 with LastStatus set on failure.
ULONG_PTR GdiplusStartup(UINT32 version = 1);

// Stops GDI+ with the given token, or with the module-wide one (then cleared) when
// none is given. A zero module-wide token with nothing running does nothing.
void GdiplusShutdown(ULONG_PTR token = 0);

// True between a successful GdiplusStartup and GdiplusShutdown. Objects still holding a
// handle after the stop leave it alone when they are destroyed.
bool GdiplusRunning();

// The running GDI+ session: every successful start opens a new one with a higher
// number; 0 while none runs. An object keeps the session its handle was made in,
// and never releases it into a later one (the handle died with its session).
std::uint32_t GdiplusSession();

}  // namespace ornivex::gfx
