// Reading LWO2 objects: the corpus, projections against the LWOB form, UV
// maps, layers, image names, what is not shown, damaged files.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "lwo_test_support.h"
#include "plugins/lwo/lwo_reader.h"

using namespace lwotest;

namespace {

struct Face {
    std::vector<uint32_t> corners;
};

Bytes Pols(const std::vector<Face>& faces, const char* kind = "FACE") {
    Bytes b;
    b.Id(kind);
    for (const Face& f : faces) {
        b.U16(uint32_t(f.corners.size()));
        for (uint32_t c : f.corners) b.VX(c);
    }
    return b;
}

Bytes SurfaceTags(const std::vector<uint16_t>& tagOfPolygon) {
    Bytes b;
    b.Id("SURF");
    for (size_t i = 0; i < tagOfPolygon.size(); ++i) b.VX(uint32_t(i)).U16(tagOfPolygon[i]);
    return b;
}

Bytes Layer(uint16_t number, Vector3 pivot, const std::string& name) {
    return Bytes().U16(number).U16(0).Add(Vec(pivot.x, pivot.y, pivot.z)).Text(name);
}

struct MapEntry {
    uint32_t point;
    std::vector<float> values;
    int32_t polygon = -1;  // VMAD entries only
};

Bytes VertexMap(const char* type, const std::string& name, const std::vector<MapEntry>& entries) {
    Bytes b;
    b.Id(type).U16(uint32_t(entries.empty() ? 2 : entries[0].values.size())).Text(name);
    for (const MapEntry& e : entries) {
        b.VX(e.point);
        if (e.polygon >= 0) b.VX(uint32_t(e.polygon));
        for (float v : e.values) b.F32(v);
    }
    return b;
}

Bytes Clip(uint32_t index, const std::string& still) { return Bytes().U32(index).Sub("STIL", Text(still)); }

struct Image {
    std::string ordinal = "\x80";
    const char* channel = "COLR";
    uint16_t projection = 0;
    uint16_t axis = 0;
    uint32_t clip = 1;
    Vector3 size{1, 1, 1};
    Vector3 centre{0, 0, 0};
    float wrap = 1.0f;
    std::string uvMap;
    float opacity = 1.0f;
    uint16_t edges = 1;  // WRAP: 1 repeats the image
};

Bytes Block(const Image& image) {
    Bytes header = Bytes().Text(image.ordinal).Sub("CHAN", Bytes().Id(image.channel)).Sub("ENAB", U16(1));
    if (image.opacity != 1.0f) header.Sub("OPAC", U16(0).F32(image.opacity).U16(0));
    const Bytes tmap = Bytes()
                           .Sub("CNTR", Vec(image.centre.x, image.centre.y, image.centre.z).U16(0))
                           .Sub("SIZE", Vec(image.size.x, image.size.y, image.size.z).U16(0));
    Bytes b = Bytes()
                  .Sub("IMAP", header)
                  .Sub("TMAP", tmap)
                  .Sub("PROJ", U16(image.projection))
                  .Sub("AXIS", U16(image.axis))
                  .Sub("IMAG", Bytes().VX(image.clip))
                  .Sub("WRPW", F32(image.wrap).U16(0));
    if (!image.uvMap.empty()) b.Sub("VMAP", Text(image.uvMap));
    if (image.edges != 1) b.Sub("WRAP", U16(image.edges).U16(image.edges));
    return b;
}

Bytes Surf(const std::string& name, const Bytes& subchunks) { return Bytes().Text(name).Text("").Add(subchunks); }

// A cube of 8 points and 6 quads on one layer, surface tag 0.
Bytes CubeChunks(const Bytes& surface, const Bytes& more = {}) {
    std::vector<Face> faces;
    for (const Polygon& q : CubeQuads()) faces.push_back({q.corners});
    return Bytes()
        .Chunk("TAGS", Names({"Cube"}))
        .Chunk("LAYR", Layer(0, {0, 0, 0}, ""))
        .Chunk("PNTS", Points(CubePoints()))
        .Chunk("POLS", Pols(faces))
        .Chunk("PTAG", SurfaceTags({0, 0, 0, 0, 0, 0}))
        .Add(more)
        .Chunk("SURF", Surf("Cube", surface));
}

std::string Corpus(const std::string& name) { return std::string(TESSALY_CORPUS_DIR) + "/" + name; }

int LoadPath(const std::string& path) {
    Messages().clear();
    return Plugin().Load3D(path.c_str(), Capture);
}

// Texture coordinates of slot 0 at every corner of an unwelded mesh.
std::vector<TexCoord> CornerCoordinates(const CMesh& m) {
    return std::vector<TexCoord>(m.texCoords[0], m.texCoords[0] + m.vertexCount);
}

// The chunks of two layers over the surfaces A and B: layer 0 ("base") one
// triangle of A; layer 1 ("moved", pivot (5, 0, 0)) two triangles of B over
// its own four points.
Bytes TwoLayers() {
    return Bytes()
        .Chunk("TAGS", Names({"A", "B"}))
        .Chunk("LAYR", Layer(0, {0, 0, 0}, "base"))
        .Chunk("PNTS", Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}))
        .Chunk("POLS", Pols({{{0, 1, 2}}}))
        .Chunk("PTAG", SurfaceTags({0}))
        .Chunk("LAYR", Layer(1, {5, 0, 0}, "moved"))
        .Chunk("PNTS", Points({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {5, 0, 1}}))
        .Chunk("POLS", Pols({{{0, 1, 2}}, {{0, 2, 3}}}))
        .Chunk("PTAG", SurfaceTags({1, 1}));
}

}  // namespace

TEST(Lwo2Corpus, EveryObjectLoadsWithItsSurfacesTrianglesAndTextures) {
    // Surfaces, triangles (faces of n corners counted as n - 2 from the
    // files' POLS chunks) and the texture name of the first surface.
    struct Expected {
        const char* file;
        int surfaces;
        int triangles;
        const char* texture;
    };
    const Expected objects[] = {
        {"lws/simple_cube.lwo", 1, 12, ""},
        {"lwo2/boxuv.lwo", 1, 12, "boxuv.png"},
        {"lwo2/box_2uv_1unused.lwo", 1, 12, "any_texture"},
        {"lwo2/hierarchy.lwo", 3, 564, ""},
        {"lwo2/concave_polygon.lwo", 1, 64, ""},
        {"lwo2/sphere_with_mat_gloss_10pc.lwo", 1, 528, ""},
        {"lwo2/uvtest.lwo", 16, 32, "uvtest.png"},
        {"lwo2/MappingModes/earth_cylindrical_x.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_cylindrical_x_scale_222_wrap_21.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_cylindrical_y.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_cylindrical_y_scale_111.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_cylindrical_y_scale_111_wrap_21.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_cylindrical_z.lwo", 1, 528, "earthCylindric.jpg"},
        {"lwo2/MappingModes/earth_planar_x.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_planar_y.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_planar_z.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_planar_z_scale_111.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_spherical_x.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_spherical_x_scale_222_wrap_22.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_spherical_y.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_spherical_z.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_spherical_z_wrap_22.lwo", 1, 528, "earthSpherical.jpg"},
        {"lwo2/MappingModes/earth_uv_cylindrical_y.lwo", 1, 528, "earthCylindric.jpg"},
    };
    for (const Expected& e : objects) {
        SCOPED_TRACE(e.file);
        ASSERT_EQ(LoadPath(Corpus(e.file)), 0);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Lwo.dll Load3D : Loaded " + Corpus(e.file) + "\n"});
        ASSERT_EQ(Plugin().GetSurfacesNum(), e.surfaces);
        int triangles = 0;
        for (int s = 0; s < e.surfaces; ++s) triangles += Plugin().GetSurfacePolys(s);
        EXPECT_EQ(triangles, e.triangles);
        EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), e.texture);
        EXPECT_EQ(Plugin().HasTexture(0, 0), e.texture[0] != 0);
        EXPECT_FALSE(Plugin().HasTexture(0, 1));
        auto model = ExportModel();
        ASSERT_TRUE(model);
        for (int s = 0; s < e.surfaces; ++s) EXPECT_LE(model->meshes[s].vertexCount, 3 * Plugin().GetSurfacePolys(s));
    }

    // The layered object: surfaces in SURF order, each with the triangles of
    // every layer that uses it; the cube's colour as written.
    ASSERT_EQ(LoadPath(Corpus("lwo2/hierarchy.lwo")), 0);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 12);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 528 + 12);
    EXPECT_EQ(Plugin().GetSurfacePolys(2), 12);
    auto model = ExportModel();
    EXPECT_STREQ(model->meshes[2].name, "RedBox");
    EXPECT_EQ(model->meshes[2].colour[0], 1.0f);
    EXPECT_EQ(model->meshes[2].colour[1], 0.0f);
    EXPECT_NEAR(model->meshes[2].smoothingAngle, 1.5621f, 1e-3);
}

TEST(Lwo2Projection, MappingModesPutTheSamePixelWhereTheirLwobFormDoes) {
    // Each sphere's projection, rebuilt as an LWOB texture block with the
    // same centre, size, axis and wrap over the same triangles, must give the
    // same coordinates at every corner.
    const char* const planarAndCylindrical[] = {"earth_planar_x.lwo",      "earth_planar_y.lwo",
                                                "earth_planar_z.lwo",      "earth_planar_z_scale_111.lwo",
                                                "earth_cylindrical_x.lwo", "earth_cylindrical_x_scale_222_wrap_21.lwo",
                                                "earth_cylindrical_y.lwo", "earth_cylindrical_y_scale_111_wrap_21.lwo",
                                                "earth_cylindrical_z.lwo"};
    for (const char* name : planarAndCylindrical) {
        SCOPED_TRACE(name);
        const std::string path = Corpus(std::string("lwo2/MappingModes/") + name);
        // The texture block as the reader keeps it.
        lwo::CLwoRead& reader = lwo::Reader();
        reader.Clear();
        ASSERT_EQ(reader.Load(path.c_str()), 0);
        ASSERT_EQ(reader.Parse(false), lwo::ParseResult::Ok);
        const lwo::LwoTexture slot = reader.Surfaces()[0].slots[0];
        EXPECT_NEAR(slot.centre.x, -0.55f, 1e-6);
        EXPECT_NEAR(slot.centre.y, 0.2f, 1e-6);
        reader.Clear();

        ASSERT_EQ(LoadPath(path), 0);
        auto lwo2 = ExportModel(0x4);
        ASSERT_TRUE(lwo2);
        const CMesh& m = lwo2->meshes[0];
        std::vector<Vector3> points(m.positions, m.positions + m.vertexCount);
        std::vector<Polygon> triangles;
        for (uint32_t k = 0; k < uint32_t(m.vertexCount); k += 3) triangles.push_back({{k, k + 1, k + 2}, 1});
        const bool planar = slot.projection == lwo::kPlanar;
        const Bytes surface = Bytes()
                                  .Text("Default")
                                  .Sub("CTEX", Text(planar ? "Planar Image Map" : "Cylindrical Image Map"))
                                  .Sub("TFLG", U16(slot.flags))
                                  .Sub("TSIZ", Vec(slot.size.x, slot.size.y, slot.size.z))
                                  .Sub("TCTR", Vec(slot.centre.x, slot.centre.y, slot.centre.z))
                                  .Sub("TFP0", F32(slot.wrapCount))
                                  .Sub("TIMG", Text("earth.jpg"));
        auto lwob = LoadModel(Lwob(Bytes()
                                       .Chunk("SRFS", Names({"Default"}))
                                       .Chunk("PNTS", Points(points))
                                       .Chunk("POLS", Polygons(triangles))
                                       .Chunk("SURF", surface)),
                              0x4);
        ASSERT_TRUE(lwob);
        ASSERT_EQ(lwob->meshes[0].vertexCount, m.vertexCount);
        const std::vector<TexCoord> a = CornerCoordinates(m), b = CornerCoordinates(lwob->meshes[0]);
        for (size_t k = 0; k < a.size(); ++k) {
            ASSERT_EQ(a[k].u, b[k].u) << k;
            ASSERT_EQ(a[k].v, b[k].v) << k;
        }
    }

    // Spherical maps, which LWOB objects cannot carry: the longitude is the
    // cylindrical map's about the same axis, the latitude runs from the pole
    // on the axis (v 0) to the other pole (v 1).
    ASSERT_EQ(LoadPath(Corpus("lwo2/MappingModes/earth_spherical_y.lwo")), 0);
    auto sphere = ExportModel(0x4);
    ASSERT_TRUE(sphere);
    const CMesh& s = sphere->meshes[0];
    int checked = 0;
    for (int k = 0; k < s.vertexCount; ++k) {
        const Vector3 p = s.positions[k];  // the map's centre is 0, 0, 0
        const float r = VecLength(p.x, p.y, p.z);
        EXPECT_NEAR(s.texCoords[0][k].v, 0.5f - std::asin(p.y / r) / 3.14159265f, 1e-4) << k;
        // Longitude: a turn from +x towards +z, the seam at +x.
        if (VecLength(p.x, 0.0f, p.z) < 1e-3f) continue;
        const double turn = std::atan2(double(p.z), double(p.x)) / (2 * 3.14159265358979);
        const double off = std::fmod(double(s.texCoords[0][k].u) - turn + 8.0, 1.0);
        EXPECT_NEAR(std::fmin(off, 1.0 - off), 0.0, 1e-4) << k;
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

TEST(Lwo2Maps, UvCubeCornersTakeTheVmapValuesAndAVmadCornerItsOwn) {
    // Point i has (i / 10, i / 20); point 0 of polygon 2 has (0.9, 0.8) of its
    // own. Smoothing makes the cube weld to its 8 points, and the seam keeps
    // that one corner apart: 9 vertices.
    std::vector<MapEntry> uv;
    for (uint32_t i = 0; i < 8; ++i) uv.push_back({i, {i / 10.0f, i / 20.0f}});
    Image image;
    image.projection = 5;
    image.uvMap = "UVs";
    const Bytes surface = Bytes().Sub("SMAN", F32(1.6f)).Sub("BLOK", Block(image));
    const Bytes maps = Bytes()
                           .Chunk("VMAP", VertexMap("TXUV", "UVs", uv))
                           .Chunk("VMAD", VertexMap("TXUV", "UVs", {{0, {0.9f, 0.8f}, 2}}))
                           .Chunk("CLIP", Clip(1, "Images/checker.png"));
    const Bytes file = Lwo2(CubeChunks(surface, maps));
    ASSERT_EQ(LoadBytes(file), 0);
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "checker.png");  // found nowhere: bare name
    auto flat = ExportModel(0x4);
    ASSERT_TRUE(flat);
    const CMesh& m = flat->meshes[0];
    ASSERT_EQ(m.vertexCount, 36);
    const std::vector<Polygon> quads = CubeQuads();
    for (int k = 0; k < 36; ++k) {
        const uint32_t point = m.sourcePoints[k];
        const int polygon = k / 6;  // two triangles per quad, in file order
        const bool own = point == 0 && polygon == 2;
        EXPECT_FLOAT_EQ(m.texCoords[0][k].u, own ? 0.9f : point / 10.0f) << k;
        EXPECT_FLOAT_EQ(m.texCoords[0][k].v, 1.0f - (own ? 0.8f : point / 20.0f)) << k;
    }
    ASSERT_EQ(LoadBytes(file), 0);
    auto welded = ExportModel();
    EXPECT_EQ(welded->meshes[0].vertexCount, 9);
}

TEST(Lwo2Maps, SurfaceValuesSlotsInOrdinalOrderAndVertexColours) {
    // Two image layers written out of order, a reflection image, both sides,
    // levels, and an RGB map whose mean colours the surface.
    Image second;
    second.ordinal = "\x90";
    second.channel = "TRAN";
    second.clip = 2;
    Image first;
    first.ordinal = "\x80";
    const Bytes surface = Bytes()
                              .Sub("COLR", Vec(1.0f, 0.5f, 0.25f).U16(0))
                              .Sub("LUMI", F32(0.25f).U16(0))
                              .Sub("TRAN", F32(0.5f).U16(0))
                              .Sub("REFL", F32(0.75f).U16(0))
                              .Sub("SIDE", U16(3))
                              .Sub("VCOL", F32(1.0f).U16(0).Id("RGB ").Text("Paint"))
                              .Sub("RIMG", Bytes().VX(2))
                              .Sub("BLOK", Block(second))
                              .Sub("BLOK", Block(first));
    std::vector<MapEntry> paint;
    for (uint32_t i = 0; i < 8; ++i) paint.push_back({i, {0.5f, 0.5f, 0.5f}});
    const Bytes more = Bytes()
                           .Chunk("VMAP", VertexMap("RGB ", "Paint", paint))
                           .Chunk("CLIP", Clip(1, "a.tga"))
                           .Chunk("CLIP", Clip(2, "b.tga"));
    auto model = LoadModel(Lwo2(CubeChunks(surface, more)));
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 1u);  // a uniform colour map loses nothing
    const CMesh& m = model->meshes[0];
    EXPECT_EQ(m.textureCount, 3);
    EXPECT_STREQ(m.textureNames[0], "a.tga");
    EXPECT_STREQ(m.textureNames[1], "b.tga");
    EXPECT_STREQ(m.textureNames[2], "b.tga");
    EXPECT_EQ(m.textureKinds[0], 1);
    EXPECT_EQ(m.textureKinds[1], 16);
    EXPECT_EQ(m.textureKinds[2], 8);
    EXPECT_FLOAT_EQ(m.colour[0], 0.5f);
    EXPECT_FLOAT_EQ(m.colour[1], 0.25f);
    EXPECT_FLOAT_EQ(m.luminosity, 0.25f);
    EXPECT_FLOAT_EQ(m.transparency, 0.5f);
    EXPECT_FLOAT_EQ(m.layerAlpha, 0.25f);
    EXPECT_EQ(m.doubleSided, 1);
    EXPECT_EQ(m.vertexCount, 24);  // flat: each face keeps its own four corners
}

TEST(Lwo2Layers, TwoLayersWithAPivotKeepTheirPointsAndTheirOwnIndices) {
    // Points are written where they are in the object; the pivot is the
    // layer's turning point in an animation and moves nothing at rest. Each
    // layer's polygons index its own points; an empty layer draws nothing and
    // an index past its points is dropped as damage.
    const Bytes file = Lwo2(TwoLayers()
                                .Chunk("LAYR", Layer(2, {9, 9, 9}, "empty"))
                                .Chunk("POLS", Pols({{{0, 1, 2}}}))
                                .Chunk("PTAG", SurfaceTags({0})));
    auto model = LoadModel(file, 0x4);
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 2u);  // damaged (the empty layer's polygon), loaded
    ASSERT_EQ(Plugin().GetSurfacesNum(), 2);
    ASSERT_EQ(model->meshes[0].vertexCount, 3);
    ASSERT_EQ(model->meshes[1].vertexCount, 6);
    const CMesh& moved = model->meshes[1];
    EXPECT_EQ(moved.sourcePoints[0], 3u);
    EXPECT_EQ(moved.sourcePoints[5], 6u);
    EXPECT_EQ(moved.positions[1].x, 6.0f);
    EXPECT_EQ(moved.positions[5].z, 1.0f);
    EXPECT_NEAR(moved.centre.x, 5.5f, 1e-6);
    EXPECT_EQ(model->meshes[0].positions[1].x, 1.0f);
}

TEST(Lwo2Layers, OneLayerAloneAndLayersTheFileLacksAreRefused) {
    using LoadLayer = int (*)(const char*, int, r_MsgCallback);
    Plugin();  // lwo.so, bound; the handle below is the same library's
    void* library = dlopen((std::string(TESSALY_BIN_DIR) + "/lwo.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    const auto load = reinterpret_cast<LoadLayer>(dlsym(library, TESSALY_MODEL_PLUGIN_LAYER_ENTRY));
    ASSERT_NE(load, nullptr);
    auto loadLayer = [&](const Bytes& file, int layer) {
        const std::string path = TempPath("layers.lwo");
        Messages().clear();
        return WriteFile(path, file) ? load(path.c_str(), layer, Capture) : -2;
    };
    // Layer 2 (numbered 1 in the file) of three: its two triangles alone.
    const Bytes file = Lwo2(TwoLayers());
    ASSERT_EQ(loadLayer(file, 2), 0);
    auto model = ExportModel(0x4);
    ASSERT_EQ(model->meshCount, 1);  // surface A has no polygon in it
    EXPECT_EQ(model->meshes[0].indexCount, 6);
    EXPECT_EQ(model->meshes[0].positions[1].x, 6.0f);
    ASSERT_EQ(loadLayer(file, 0), 0);  // every layer
    model = ExportModel(0x4);
    ASSERT_EQ(model->meshCount, 2);
    EXPECT_EQ(model->meshes[0].indexCount + model->meshes[1].indexCount, 9);

    // A layer past the file's, and layer 2 of an LWOB object (which is one layer).
    EXPECT_EQ(loadLayer(file, 3), -1);
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages().back().find("has no layer 3"), std::string::npos) << Messages().back();
    const Bytes lwob = Lwob(
        Bytes().Chunk("SRFS", Names({"A"})).Chunk("PNTS", Points(CubePoints())).Chunk("POLS", Polygons(CubeQuads())));
    EXPECT_EQ(loadLayer(lwob, 1), 0);
    EXPECT_EQ(loadLayer(lwob, 2), -1);
}

TEST(Lwo2Images, ClipNamesResolveFromTheContentDirectoryThenBesideTheObject) {
    namespace fs = std::filesystem;
    const fs::path content = TempPath("content");
    fs::create_directories(content / "Objects");
    fs::create_directories(content / "Images");
    std::ofstream(content / "Images" / "hull.png") << "x";
    std::ofstream(content / "Objects" / "deck.png") << "x";
    Image a, b, c;
    a.ordinal = "\x80";
    b.ordinal = "\x81";
    b.clip = 2;
    c.ordinal = "\x82";
    c.clip = 3;
    const Bytes surface = Bytes().Sub("BLOK", Block(a)).Sub("BLOK", Block(b)).Sub("BLOK", Block(c));
    const Bytes clips = Bytes()
                            .Chunk("CLIP", Clip(1, "Work:Images/hull.png"))
                            .Chunk("CLIP", Clip(2, "C:/Far/Away/deck.png"))
                            .Chunk("CLIP", Clip(3, "Images/missing.png"));
    const std::string object = (content / "Objects" / "ship.lwo").string();
    ASSERT_TRUE(WriteFile(object, Lwo2(CubeChunks(surface, clips))));
    ASSERT_EQ(LoadPath(object), 0);
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "../Images/hull.png");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 1), "deck.png");
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 2), "missing.png");
    // The engine opens its texture folder plus the name: from the object's
    // folder or one beside it (the demo's maps/ beside meshes/) the first
    // two are found.
    EXPECT_TRUE(fs::exists(content / "Objects" / "../Images/hull.png"));
    EXPECT_TRUE(fs::exists(content / "Images" / "../Images/hull.png"));
}

TEST(Lwo2Skipped, WhatCannotBeShownIsNamedOnceAndTheRestDrawn) {
    Image bump;
    bump.channel = "BUMP";
    Image invisible;
    invisible.opacity = 0.0f;
    Image colour;
    colour.opacity = 0.5f;
    colour.edges = 2;  // mirrored
    const Bytes procedural = Bytes().Sub("PROC", Bytes().Text("\x80").Sub("CHAN", Bytes().Id("COLR")));
    const Bytes surface = Bytes()
                              .Sub("BLOK", procedural)
                              .Sub("BLOK", Block(bump))
                              .Sub("BLOK", Block(invisible))
                              .Sub("BLOK", Block(colour))
                              .Sub("DIFF", F32(0.8f).VX(1));
    const Bytes more = Bytes()
                           .Chunk("POLS", Pols({{{0, 1}}}, "CURV"))
                           .Chunk("ENVL", Bytes().VX(1).Sub("TYPE", U16(0x0200)))
                           .Chunk("CLIP", Clip(1, "a.tga"));
    const std::string path = TempPath("skips.lwo");
    ASSERT_TRUE(WriteFile(path, Lwo2(CubeChunks(surface, more))));
    ASSERT_EQ(LoadPath(path), 0);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], "Lwo.dll Load3D : " + path +
                                 " : not shown: procedural textures, bump maps, envelopes, curves, layer opacities "
                                 "(drawn opaque), image edge modes other than repeat\n");
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 12);
    EXPECT_STREQ(Plugin().GetSurfaceTextureName(0, 0), "a.tga");
    EXPECT_FALSE(Plugin().HasTexture(0, 1));
}

TEST(Lwo2Damaged, BadIndicesCountsAndTagsDropOnlyWhatTheyTouch) {
    // A point index past the layer's points (in the 4-byte form), a polygon
    // whose count says 0 (the rest of its chunk is not read), a tag past the
    // TAGS list, a map value for a point that does not exist, a surface
    // named by TAGS without a SURF chunk (defaults), a missing clip.
    Image image;
    image.clip = 7;
    const Bytes file = Lwo2(Bytes()
                                .Chunk("TAGS", Names({"Known", "Unwritten"}))
                                .Chunk("PNTS", Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
                                .Chunk("POLS", Bytes()
                                                   .Id("FACE")
                                                   .U16(3)
                                                   .VX(0)
                                                   .VX(1)
                                                   .VX(2)
                                                   .U16(3)
                                                   .VX(0)
                                                   .VX(2)
                                                   .VX(0x12345)
                                                   .U16(4)
                                                   .VX(0)
                                                   .VX(1)
                                                   .VX(2)
                                                   .VX(3)
                                                   .U16(3)
                                                   .VX(1)
                                                   .VX(2)
                                                   .VX(3)
                                                   .U16(0)
                                                   .U16(3)
                                                   .VX(0)
                                                   .VX(1)
                                                   .VX(3))
                                .Chunk("PTAG", Bytes().Id("SURF").VX(0).U16(0).VX(2).U16(1).VX(3).U16(9).VX(40).U16(0))
                                .Chunk("VMAP", VertexMap("TXUV", "UV", {{0, {0.5f, 0.5f}}, {77, {1, 1}}}))
                                .Chunk("SURF", Surf("Known", Bytes().Sub("BLOK", Block(image)))));
    auto model = LoadModel(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(Messages().size(), 2u);
    // The first problem named by its chunk and the chunk's offset, the others counted.
    EXPECT_NE(Messages()[0].find("is damaged: POLS chunk at byte 92: polygon 2 names a point past the layer's 4 "
                                 "points (and 4 more problems)"),
              std::string::npos)
        << Messages()[0];
    // Surfaces: Known, Unwritten (defaults), Default (tag 9 is no tag).
    ASSERT_EQ(Plugin().GetSurfacesNum(), 3);
    EXPECT_EQ(Plugin().GetSurfacePolys(0), 1);
    EXPECT_EQ(Plugin().GetSurfacePolys(1), 2);
    EXPECT_EQ(Plugin().GetSurfacePolys(2), 1);
    EXPECT_FALSE(Plugin().HasTexture(0, 0));
    EXPECT_STREQ(model->meshes[1].name, "Unwritten");
    EXPECT_FLOAT_EQ(model->meshes[1].colour[0], 0.784f);
    EXPECT_STREQ(model->meshes[2].name, "Default");
}

TEST(Lwo2Damaged, TruncatedAndLyingFilesNeverReadPastTheirData) {
    // A textured, UV-mapped cube with a corner override, cut at every byte,
    // then with every length field (chunks and sub-chunks) made to lie.
    Image image;
    image.projection = 5;
    image.uvMap = "UV";
    std::vector<MapEntry> uv;
    for (uint32_t i = 0; i < 8; ++i) uv.push_back({i, {0.1f * i, 0.2f}});
    const Bytes whole = Lwo2(CubeChunks(Bytes().Sub("SMAN", F32(1.0f)).Sub("BLOK", Block(image)),
                                        Bytes()
                                            .Chunk("VMAP", VertexMap("TXUV", "UV", uv))
                                            .Chunk("VMAD", VertexMap("TXUV", "UV", {{1, {1, 1}, 3}}))
                                            .Chunk("CLIP", Clip(1, "uv.png"))));
    ASSERT_TRUE(LoadModel(whole));
    ASSERT_EQ(Messages().size(), 1u);
    for (size_t n = 0; n < whole.size(); ++n) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        const int result = LoadBytes(cut);
        ASSERT_TRUE(result == 0 || result == -1) << n;
        if (result == 0) {
            ASSERT_TRUE(ExportModel()) << n;
        }
    }
    for (size_t at = 12; at + 4 <= whole.size(); ++at) {
        for (const uint32_t lie : {0xFFFFFFFFu, 0x7FFFu, 1u}) {
            Bytes bad = whole;
            bad[at] = uint8_t(lie >> 24);
            bad[at + 1] = uint8_t(lie >> 16);
            bad[at + 2] = uint8_t(lie >> 8);
            bad[at + 3] = uint8_t(lie);
            ASSERT_EQ(LoadBytes(bad), 0) << at;
            ASSERT_TRUE(ExportModel()) << at;
        }
    }
}

TEST(Lwo2Maps, ManyMapsOfFewValuesStayWithinFewTimesTheFileSize) {
    // 1,000 points and 80 maps of one value each: a table by point number for
    // every map would hold 240,000 floats for a file of about 14 KB. Past the
    // budget the values are kept one by one and still found.
    std::vector<Vector3> points(1000, Vector3{0, 0, 0});
    Bytes chunks = Bytes().Chunk("PNTS", Points(points));
    for (uint32_t i = 0; i < 80; ++i)
        chunks.Chunk("VMAP", VertexMap("TXUV", "m" + std::to_string(i), {{i * 7, {float(i), i + 0.5f}}}));
    const std::string path = TempPath("maps.lwo");
    const Bytes file = Lwo2(chunks);
    ASSERT_TRUE(WriteFile(path, file));
    lwo::CLwoRead& reader = lwo::Reader();
    reader.Clear();
    ASSERT_EQ(reader.Load(path.c_str()), 0);
    ASSERT_EQ(reader.Parse(false), lwo::ParseResult::Ok);
    ASSERT_EQ(reader.VertexMaps().size(), 80u);
    size_t tables = 0;
    for (int i = 0; i < 80; ++i) {
        const lwo::VertexMap& map = reader.VertexMaps()[size_t(i)];
        tables += map.pointValues.size() + map.pointSet.size();
        float value[4] = {};
        ASSERT_TRUE(reader.CornerValue(i, uint32_t(i * 7), 0, value)) << i;
        EXPECT_EQ(value[0], float(i));
        EXPECT_EQ(value[1], i + 0.5f);
        EXPECT_FALSE(reader.CornerValue(i, uint32_t(i * 7 + 1), 0, value));
    }
    EXPECT_LE(tables, 4 * file.size() + 65536);
    EXPECT_GT(tables, 0u);
    reader.Clear();
}
