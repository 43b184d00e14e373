// Writes a shape as OBJ text in the form the show's loader reads: one
// position, texture coordinate and normal line per corner, one triangle per
// face line with full position/texcoord/normal triples, every line short.
#pragma once

#include "tools/content/mesh_shapes.h"

// Writes mesh to path under the object name name (letters, digits and
// underscores). Returns false when the file cannot be written.
bool WriteObjFile(const char* path, const char* name, const ShapeMesh& mesh);
