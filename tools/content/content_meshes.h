// The show's seven meshes, written as OBJ files.
#pragma once

// Writes sphere_up, sphere_down, startunnel and knot1..knot4 (".obj") into
// directory dataDir. Returns false when a file cannot be written.
bool WriteShowMeshes(const char* dataDir);
