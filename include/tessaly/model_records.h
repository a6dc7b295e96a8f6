// The engine's model and mesh records, shared by the engine (which allocates
// and owns them), the model plug-ins (which fill them), the raster back-end and
// the lighting library (which read them) and the application (which reads them
// and writes vertex colours and texture coordinates of a few named meshes).
//
// Owner key used below:
//   [engine]  allocated, freed and written only by the engine (t7gfx)
//   [plugin]  written by the model plug-in's r_ExportMD; plug-ins never touch [engine] fields
//   [app]     also written by the application every frame
#pragma once

#include <cstdint>

#include "tessaly/vector_types.h"

constexpr int kMeshTextureSlots = 8;  // texture slots per mesh and per surface

struct TexCoord {
    float u, v;
};

// One mesh per surface of a model.
struct CMesh {
    float transparency;  // [plugin] surface transparency 0..1; 1.0 means never drawn
    float luminosity;    // [plugin] surface luminosity level
    float diffuse;       // [plugin] surface diffuse level (1.0 from the LWOB plug-in)
    char name[256];      // [plugin] surface name, zero-terminated; the app upper-cases it in place
    float colour[3];     // [plugin] red, green, blue 0..1
    float colourAlpha;   // [plugin] 0.0 from r_ExportMD (construction sets 1.0)
    Vector3* positions;  // [engine alloc, plugin fills] V vertex positions (model space)
    uint32_t* indices;   // [engine alloc, plugin fills] V indices, three per triangle, into positions
    Vector3* normals;    // [engine alloc, plugin fills] V unit vertex normals
    uint8_t* workA;      // [engine] V x 16 bytes of scratch; zero-filled by r_ExportMD
    uint32_t* coloursA;  // [engine, app] V per-vertex colours 0xAARRGGBB; the colours that are drawn
    uint8_t* workB;      // [engine] V x 16 bytes of scratch; zero-filled by r_ExportMD
    uint32_t* coloursB;  // [engine, app] V per-vertex colours: the stored (pre-lit) illumination
    TexCoord*
        texCoords[kMeshTextureSlots];  // [engine alloc, plugin/app fill] V pairs per slot with an image; else null
    Vector3* faceNormals;              // [engine alloc, plugin fills] p unit face normals (p = V / 3 triangles)
    Vector3* edgePlanes;               // [engine alloc, plugin fills] 3p: edge direction x face normal per edge
    Vector3*
        edgeDirections;   // [engine alloc, plugin fills] 3p unit edge vectors (edge 0: c0->c1, 1: c1->c2, 2: c2->c0)
    int32_t vertexCount;  // [plugin] vertices in use (after welding)
    int32_t indexCount;   // [engine] V, entries in the index list
    int32_t vertexCountCopy;  // [engine sets V, plugin sets the welded count]
    Vector3 centre;           // [plugin] bounding-sphere centre (model space)
    float radius;             // [plugin] bounding-sphere radius
    float layerAlpha;         // [plugin] vertex alpha of texture layers after the first (1 - reflection)
    uint8_t blendMode;        // [plugin] BLENDMODE value: 8 translucent, 4 additive, 16 source x source colour
    int32_t textureCount;     // [plugin] texture slots the surface uses (0..8)
    char textureNames[kMeshTextureSlots][256];  // [plugin] image file names of the slots
    int32_t textureHandles[kMeshTextureSlots];  // [engine] texture-store handle per slot, -1 for none
    int32_t textureKinds
        [kMeshTextureSlots];  // [plugin] 1 colour, 2 diffuse, 4 specular, 8 reflection, 16 transparency, 32 bump; -1 without image
    float textureVelocity[kMeshTextureSlots][2];  // [plugin] per-frame texture drift (x, y) of each slot
    uint8_t doubleSided;                          // [plugin] 1 draws both faces
    uint32_t* sourcePoints;  // [engine alloc, plugin fills] V: file point index of each triangle corner
    float smoothingAngle;    // [plugin] radians
    int32_t capacity;        // [engine] entries the per-vertex arrays were allocated for (face normals: capacity / 3)
    int32_t texCoordCapacity[kMeshTextureSlots];  // [engine] entries allocated in each texture-coordinate set

    CMesh();   // construct: zero levels, colour and colour alpha 1.0, arrays null, handles and kinds -1
    ~CMesh();  // destroy: frees every array
    CMesh(const CMesh&) = delete;
    CMesh& operator=(const CMesh&) = delete;

    // Frees every array (texture-coordinate sets too), then allocates every
    // per-vertex array for n vertices, zeroed (n = triangles x 3; face normals
    // for n / 3). Sets vertexCount 0, indexCount and vertexCountCopy n. Returns
    // false for a negative n or when memory runs out (no arrays then). Names,
    // levels and texture slots are left as they are.
    bool Allocate(int n);
    // Frees set slot and allocates it for n pairs (zeroed). False for a slot
    // outside 0..7, a negative n or when memory runs out.
    bool AllocateTexCoords(int slot, int n);
    // Deep copy of every field: every array present in src is duplicated with
    // src's capacity; positions, source points and texture-coordinate sets are
    // copied for the vertex count in use, the other arrays for the index count
    // (face normals for a third of it), never beyond what src holds. False when
    // memory runs out (the mesh is then reset).
    bool CopyFrom(const CMesh& src);
    // Frees every array, zeroes the counts, empties the names, blend mode 8,
    // texture handles -1.
    void Reset();

private:
    void FreeArrays();  // frees every array and zeroes vertex, index and capacity counts
};

// A model: one mesh per surface and a bounding sphere.
class CModel {
public:
    CModel();                        // everything zero
    virtual ~CModel();               // destroys the mesh array
    CModel(const CModel&) = delete;  // owns its mesh array; copy meshes with CMesh::CopyFrom
    CModel& operator=(const CModel&) = delete;

    // Destroys the mesh array and zeroes every field.
    void Clear();
    // Creates count constructed meshes (old ones destroyed), sets meshCount
    // to count and meshesAllocated to 1. False for a negative count or when
    // memory runs out (no meshes then).
    bool AllocateMeshes(int count);

    float radius;             // [plugin raises it; engine sets 0 first] bounding-sphere radius
    Vector3 centre;           // [plugin] bounding-sphere centre
    int32_t reserved;         // [engine] carried over by model copy, never interpreted
    uint8_t meshesAllocated;  // [engine] set when the mesh array is allocated
    uint8_t loaded;           // [engine] 1 after r_ExportMD returned; a slot is free otherwise
    CMesh* meshes;            // [engine] mesh array, mesh i belongs to surface i
    int32_t meshCount;        // [plugin] r_ExportMD writes the surface count
};

// A light derived from a light-emitting surface (names starting LOMNI, LSPOT,
// LDISTANT and their P forms). Written by the engine's model store.
struct ModelLight {
    int32_t type;            // LOMNI 1, LDISTANT 2, LSPOT 4, LOMNIP 9, LDISTANTP 10, LSPOTP 12 (bit 8: P kinds)
    float red, green, blue;  // the surface colour
    Matrix44 placement;      // the light's placement in model space
    float range;             // smoothing angle x 56.3
};
static_assert(sizeof(ModelLight) == 21 * 4);
