// The builders of the show's MESH resources, sized from the cameras that
// look at them (distances in world units).
#pragma once

#include "mesh_builder.h"

XMeshData BuildKnot();                // 104, topuz
XMeshData BuildGyroRings();           // 105, Titrek
XMeshData BuildBackdrop();            // 107, backdrop sphere
XMeshData BuildBentTube();            // 108, Shine and Arms
XMeshData BuildTunnel();              // 109, Tunnel
XMeshData BuildBlob();                // 110, Titrek and Tunnel
XMeshData BuildGreetRing(int which);  // 111, 112, 113 (which = 0, 1, 2)
XMeshData BuildCardCarrier();         // 114, Greets
XMeshData BuildGlider();              // 116, Uzun
XMeshData BuildBanded();              // 117, Uzun
