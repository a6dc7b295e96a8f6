// Projection table, point transforms, sphere classification and the depth probe.
#include <cmath>

#include "raster_fixture.h"

namespace {

class Transforms : public rt::RasterTest {
protected:
    void SetUp() override {
        rt::MakeDevice(640, 480);
        r_SetFrustum(1.0f, 1.0f, 0.5f, 1000.0f, nullptr);
    }
};

TEST_F(Transforms, ProjectionExampleAndAgreementOfTheTransforms) {
    const Vector3 pts[2] = {{0, 0, 0.5f}, {0, 0, 1000.0f}};
    TLVertex out[2] = {};
    out[0].diffuse = 0x12345678;
    r_TransformInto2DSpace(out, pts, 2);
    EXPECT_FLOAT_EQ(out[0].sx, 320.0f);
    EXPECT_FLOAT_EQ(out[0].sy, 240.0f);
    EXPECT_NEAR(out[0].sz, 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(out[0].rhw, 2.0f);
    EXPECT_NEAR(out[1].sz, 1.0f, 1e-6);
    EXPECT_EQ(out[0].diffuse, 0x12345678u);  // only the first four fields are written
    EXPECT_FLOAT_EQ(raster::GetDevice().xf.verticalAngle, 1.0f);

    Matrix44 cam = MatIdentity(), model = MatIdentity();
    cam.m[12] = 1.0f;
    model.m[13] = 2.0f;
    r_SetCamMatrix(&cam);
    r_SetModelMatrix(&model);
    const Vector3 p = {1.0f, -2.0f, 10.0f};
    Vector3 c;
    r_TransformIntoCamSpace(&p, &c, 1, model, 0);
    EXPECT_NEAR(c.x, 0.0f, 1e-6);
    EXPECT_NEAR(c.y, 0.0f, 1e-6);
    EXPECT_NEAR(c.z, 10.0f, 1e-6);
    TLVertex a{}, b{};
    r_FullVertexCamWork(&a, &p, 1);
    r_TransformInto2DSpace(&b, &c, 1);
    EXPECT_NEAR(a.sx, 320.0f, 1e-3);
    EXPECT_NEAR(a.sy, b.sy, 1e-3);
    EXPECT_NEAR(a.sz, b.sz, 1e-6);
}

TEST_F(Transforms, SphereClassification) {
    r_AllocMaxVtcs(16, nullptr);
    CMesh mesh;
    mesh.radius = 1.0f;
    const struct {
        Vector3 centre;
        int expected;
    } cases[] = {
        {{0, 0, -5}, 64},                                      // behind the near plane
        {{0, 0, 2000}, 64},                                    // beyond the far plane
        {{-100, 0, 10}, 64},                                   // beyond the left plane
        {{0, 0, 10}, 0},                                       // wholly inside
        {{-10 * std::sin(0.5f), 0, 10 * std::cos(0.5f)}, 16},  // centred on the left plane
        {{0, 0, 0.8f}, 1 | 4 | 8 | 16 | 32},                   // near plane and all sides
        {{0, 0, 999.5f}, 2},                                   // far plane only
    };
    for (const auto& k : cases) {
        mesh.centre = k.centre;
        EXPECT_EQ(r_RenderSBM(&mesh, nullptr, 0, 0), k.expected) << k.centre.x << " " << k.centre.z;
    }
}

TEST_F(Transforms, ZTestProbesSparselyAndStaysInside) {
    rt::FillDepth(1000);
    EXPECT_EQ(r_ZTest(10, 10, 11, 11, 1000), 1);
    EXPECT_EQ(r_ZTest(10, 10, 11, 11, 1001), 0);
    raster::DepthSurface& d = raster::GetDevice().depth;
    reinterpret_cast<uint16_t*>(d.samples.data() + 20 * d.pitch)[20] = 60000;
    EXPECT_EQ(r_ZTest(13, 17, 30, 30, 50000), 0);  // columns 13, 21, 29 miss x = 20
    EXPECT_EQ(r_ZTest(12, 14, 30, 30, 50000), 1);  // rows 14, 17, 20; columns 12, 20, 28
    EXPECT_EQ(r_ZTest(-1, 0, 1, 1, 0), 0);
    EXPECT_EQ(r_ZTest(0, 0, 641, 1, 0), 0);
    EXPECT_EQ(r_ZTest(640, 479, 640, 480, 0), 0);  // x = W: nothing outside is read
    EXPECT_EQ(r_ZTest(639, 480, 640, 480, 0), 0);
    EXPECT_EQ(r_ZTest(639, 479, 640, 480, 0), 1);
    rt::MakeDevice(8, 8, raster::PixelFormat::XRGB8888, 32);  // deep buffer, compared on 0..65535
    rt::FillDepth(0x80000000u);
    EXPECT_EQ(r_ZTest(0, 0, 1, 1, 32767), 1);
    EXPECT_EQ(r_ZTest(0, 0, 1, 1, 32769), 0);
}

}  // namespace
