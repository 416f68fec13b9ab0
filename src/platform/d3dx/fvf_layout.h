// Where each component sits inside a vertex of a given format. The
// extension library reads and writes vertices with the same decoder the
// device draws them with, so the two can never disagree about a format.
#pragma once

#include "platform/gfx/translate.h"

using FvfLayout = gfx::FvfLayout;

// The layout of `fvf`; stride 0 for a format the device cannot draw.
FvfLayout GetFvfLayout(DWORD fvf);
