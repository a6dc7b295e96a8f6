// The engine's side of the model and mesh records: construction, array
// allocation, deep copy and release. Every array is allocated with new[] and
// owned by its mesh; the mesh array of a model is owned by the model.
#include "tessaly/model_records.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr int kScratchBytesPerVertex = 16;
constexpr uint8_t kDefaultBlendMode = 8;
// Keeps the byte size of the scratch arrays within int.
constexpr int kMaxVertices = INT_MAX / kScratchBytesPerVertex;

// Allocates n zeroed elements; new T[0] still gives a distinct non-null pointer,
// so an empty surface has arrays callers may pass to memset and memcpy.
template <typename T>
bool NewArray(T*& out, int n) {
    out = new (std::nothrow) T[static_cast<size_t>(n)]();
    return out != nullptr;
}

template <typename T>
void FreeArray(T*& p) {
    delete[] p;
    p = nullptr;
}

// Duplicates src (capacity elements) when present, copying the first
// used elements and leaving the rest zeroed.
template <typename T>
bool DuplicateArray(T*& out, const T* src, int capacity, int used) {
    out = nullptr;
    if (src == nullptr) return true;
    if (!NewArray(out, capacity)) return false;
    const int n = std::clamp(used, 0, capacity);
    if (n > 0) std::memcpy(out, src, static_cast<size_t>(n) * sizeof(T));
    return true;
}

}  // namespace

// ---------------------------------------------------------------- CMesh

CMesh::CMesh()
    : transparency(0.0f),
      luminosity(0.0f),
      diffuse(0.0f),
      name{},
      colour{1.0f, 1.0f, 1.0f},
      colourAlpha(1.0f),
      positions(nullptr),
      indices(nullptr),
      normals(nullptr),
      workA(nullptr),
      coloursA(nullptr),
      workB(nullptr),
      coloursB(nullptr),
      texCoords{},
      faceNormals(nullptr),
      edgePlanes(nullptr),
      edgeDirections(nullptr),
      vertexCount(0),
      indexCount(0),
      vertexCountCopy(0),
      centre{0.0f, 0.0f, 0.0f},
      radius(0.0f),
      layerAlpha(0.0f),
      blendMode(0),
      textureCount(0),
      textureNames{},
      textureHandles{},
      textureKinds{},
      textureVelocity{},
      doubleSided(0),
      sourcePoints(nullptr),
      smoothingAngle(0.0f),
      capacity(0),
      texCoordCapacity{} {
    for (int i = 0; i < kMeshTextureSlots; ++i) {
        textureHandles[i] = -1;
        textureKinds[i] = -1;
    }
}

CMesh::~CMesh() { FreeArrays(); }

// Frees every array and zeroes the counts that describe them, so nothing
// indexes a freed array afterwards. Names and levels are left alone.
void CMesh::FreeArrays() {
    FreeArray(positions);
    FreeArray(indices);
    FreeArray(normals);
    FreeArray(workA);
    FreeArray(coloursA);
    FreeArray(workB);
    FreeArray(coloursB);
    for (int i = 0; i < kMeshTextureSlots; ++i) {
        FreeArray(texCoords[i]);
        texCoordCapacity[i] = 0;
    }
    FreeArray(faceNormals);
    FreeArray(edgePlanes);
    FreeArray(edgeDirections);
    FreeArray(sourcePoints);
    capacity = 0;
    vertexCount = 0;
    indexCount = 0;
    vertexCountCopy = 0;
}

void CMesh::Reset() {
    FreeArrays();
    for (int i = 0; i < kMeshTextureSlots; ++i) {
        textureNames[i][0] = '\0';
        textureHandles[i] = -1;
    }
    textureCount = 0;
    name[0] = '\0';
    blendMode = kDefaultBlendMode;
}

bool CMesh::Allocate(int n) {
    FreeArrays();
    if (n < 0 || n > kMaxVertices) return false;
    const bool ok = NewArray(positions, n) && NewArray(indices, n) && NewArray(normals, n) &&
                    NewArray(workA, n * kScratchBytesPerVertex) && NewArray(coloursA, n) &&
                    NewArray(workB, n * kScratchBytesPerVertex) && NewArray(coloursB, n) &&
                    NewArray(faceNormals, n / 3) && NewArray(edgePlanes, n) && NewArray(edgeDirections, n) &&
                    NewArray(sourcePoints, n);
    if (!ok) {
        FreeArrays();
        return false;
    }
    capacity = n;
    vertexCount = 0;
    indexCount = n;
    vertexCountCopy = n;
    return true;
}

bool CMesh::AllocateTexCoords(int slot, int n) {
    if (slot < 0 || slot >= kMeshTextureSlots || n < 0) return false;
    FreeArray(texCoords[slot]);
    texCoordCapacity[slot] = 0;
    if (!NewArray(texCoords[slot], n)) return false;
    texCoordCapacity[slot] = n;
    return true;
}

bool CMesh::CopyFrom(const CMesh& src) {
    if (&src == this) return true;
    Reset();

    transparency = src.transparency;
    luminosity = src.luminosity;
    diffuse = src.diffuse;
    std::memcpy(name, src.name, sizeof name);
    std::memcpy(colour, src.colour, sizeof colour);
    colourAlpha = src.colourAlpha;
    centre = src.centre;
    radius = src.radius;
    layerAlpha = src.layerAlpha;
    blendMode = src.blendMode;
    textureCount = src.textureCount;
    std::memcpy(textureNames, src.textureNames, sizeof textureNames);
    std::memcpy(textureHandles, src.textureHandles, sizeof textureHandles);
    std::memcpy(textureKinds, src.textureKinds, sizeof textureKinds);
    std::memcpy(textureVelocity, src.textureVelocity, sizeof textureVelocity);
    doubleSided = src.doubleSided;
    smoothingAngle = src.smoothingAngle;

    // Vertex-indexed arrays are copied for the vertices in use, the others for
    // the index count; both are bounded by what the source actually holds.
    const int cap = std::clamp(src.capacity, 0, kMaxVertices);
    const int used = std::clamp(src.vertexCount, 0, cap);
    const int listed = std::clamp(src.indexCount, 0, cap);
    bool ok = DuplicateArray(positions, src.positions, cap, used) &&
              DuplicateArray(sourcePoints, src.sourcePoints, cap, used) &&
              DuplicateArray(indices, src.indices, cap, listed) && DuplicateArray(normals, src.normals, cap, listed) &&
              DuplicateArray(workA, src.workA, cap * kScratchBytesPerVertex, listed * kScratchBytesPerVertex) &&
              DuplicateArray(coloursA, src.coloursA, cap, listed) &&
              DuplicateArray(workB, src.workB, cap * kScratchBytesPerVertex, listed * kScratchBytesPerVertex) &&
              DuplicateArray(coloursB, src.coloursB, cap, listed) &&
              DuplicateArray(faceNormals, src.faceNormals, cap / 3, listed / 3) &&
              DuplicateArray(edgePlanes, src.edgePlanes, cap, listed) &&
              DuplicateArray(edgeDirections, src.edgeDirections, cap, listed);
    for (int i = 0; ok && i < kMeshTextureSlots; ++i) {
        const int setCap = std::max(src.texCoordCapacity[i], 0);
        ok = DuplicateArray(texCoords[i], src.texCoords[i], setCap, used);
        if (ok && texCoords[i] != nullptr) texCoordCapacity[i] = setCap;
    }
    if (!ok) {
        Reset();
        return false;
    }
    capacity = cap;
    vertexCount = src.vertexCount;
    indexCount = src.indexCount;
    vertexCountCopy = src.vertexCountCopy;
    return true;
}

// ---------------------------------------------------------------- CModel

CModel::CModel()
    : radius(0.0f),
      centre{0.0f, 0.0f, 0.0f},
      reserved(0),
      meshesAllocated(0),
      loaded(0),
      meshes(nullptr),
      meshCount(0) {}

CModel::~CModel() { delete[] meshes; }

void CModel::Clear() {
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
    radius = 0.0f;
    centre = Vector3{0.0f, 0.0f, 0.0f};
    reserved = 0;
    meshesAllocated = 0;
    loaded = 0;
}

bool CModel::AllocateMeshes(int count) {
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
    meshesAllocated = 0;
    if (count < 0) return false;
    meshes = new (std::nothrow) CMesh[static_cast<size_t>(count)];
    if (meshes == nullptr) return false;
    meshCount = count;
    meshesAllocated = 1;
    return true;
}
