#pragma once
// The graphics wrapper: small classes over the GDI+ flat interface.
//
//   GdiplusStartup();                                   // binds gdiplus.dll, starts GDI+
//   Graphics g;   g.CreateFromHDC(memoryDc);
//   g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
//   GraphicsPath path;   path.CreatePath(Gdiplus::FillModeAlternate);
//   path.AddPathRoundRect(0, 0, width - 1, height - 1, 5);
//   SolidBrush fill;   fill.CreateSolidFill(0xA0FFFFFF);
//   g.FillPath(fill, path);                           // objects stand for their handles
//   ... objects release their handles when they go out of scope ...
//   GdiplusShutdown();
//
// Members are named after the flat function they call, without "Gdip". Forwarded
// members take that function's arguments after the object's own handle (see
// gfx/object.h for the argument rules); the members that do more are declared with
// their full signatures. Every member leaves the GDI+ status in LastStatus.
#include "gfx/brush.h"
#include "gfx/flat.h"
#include "gfx/font.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/memory_stream.h"
#include "gfx/object.h"
#include "gfx/path.h"
#include "gfx/pen.h"
#include "gfx/region.h"
#include "gfx/tooltip.h"
