// The extension library, all of it.
#pragma once

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/d3dx9effect.h"
#include "platform/d3dx/d3dx9math.h"
#include "platform/d3dx/d3dx9mesh.h"
#include "platform/d3dx/d3dx9tex.h"
