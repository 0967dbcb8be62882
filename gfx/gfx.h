#pragma once
// The graphics wrapper: small classes over the GDI+ flat interface.
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
