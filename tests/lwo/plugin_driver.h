// Loads lwo.so with dlopen and drives it the way the engine's model store does.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lwob_writer.h"
#include "tessaly/model_records.h"
#include "tessaly/plugin_interface.h"

namespace lwotest {

// The plug-in's eight entries, bound once per test program.
const ModelPluginTable& Plugin();

// Messages the plug-in handed to the callback since the last ClearMessages().
std::vector<std::string>& Messages();
void ClearMessages();
int CaptureMessage(const char* message);

// A fresh path in the test program's temporary folder.
std::string TempPath(const std::string& name);

// r_Load3D on a file holding bytes; the result of r_Load3D.
int LoadBytes(const Bytes& bytes, const std::string& name = "object.lwo");

// The engine's sequence after a successful r_Load3D: one mesh per surface
// sized from r_GetSurfacePolys, texture coordinates where r_HasTexture, then
// r_ExportMD(model, flags).
std::unique_ptr<CModel> ExportModel(int flags = 0);

// LoadBytes and ExportModel; null when r_Load3D fails.
std::unique_ptr<CModel> LoadModel(const Bytes& bytes, int flags = 0);

// Unit cube centred at the origin: 8 points, 6 outward-facing quads.
std::vector<Vector3> CubePoints(float half = 1.0f);
std::vector<Polygon> CubeQuads(int16_t surface = 1);

}  // namespace lwotest
