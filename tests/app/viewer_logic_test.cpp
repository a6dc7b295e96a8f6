// The viewer's pieces that need no engine: written paths made portable, the
// order of places searched, item matrices with pivot and scale, the field of
// view of a zoom factor, framing, the orbit camera and the playback clock.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "app/content_paths.h"
#include "app/viewer_camera.h"

namespace {

constexpr float kTol = 1e-4f;

std::set<std::string> g_files;
bool FakeExists(const std::string& path) { return g_files.count(path) > 0; }

TEST(ContentPaths, WrittenPathsBecomePortable) {
    EXPECT_EQ(PortablePath("C:\\Work\\Objects\\ship.lwo"), "Work/Objects/ship.lwo");
    EXPECT_EQ(PortablePath("Work:Objects/ship.lwo"), "Objects/ship.lwo");
    EXPECT_EQ(PortablePath("DH0:ship.lwo"), "ship.lwo");
    EXPECT_EQ(PortablePath("Objects\\ship.lwo"), "Objects/ship.lwo");
    EXPECT_EQ(PortablePath("\\Objects\\ship.lwo"), "Objects/ship.lwo");
    EXPECT_EQ(PortablePath("Objects/odd:name.lwo"), "Objects/odd:name.lwo");  // ':' inside a folder stays
    EXPECT_EQ(BareFileName("C:\\Work\\ship.lwo"), "ship.lwo");
    EXPECT_EQ(BareFileName("Work:ship.lwo"), "ship.lwo");
    EXPECT_EQ(FolderOf("/a/b/c.lws"), "/a/b/");
    EXPECT_EQ(FolderOf("c.lws"), "");
}

TEST(ContentPaths, SearchOrder) {
    const std::string written = "C:\\Proj\\Objects\\Ship.lwo";
    // Nothing there: every place is tried once, nearest folder first.
    g_files.clear();
    ContentSearch none = FindContent(written, ContentKind::Object, "/data/proj/scenes/", "", FakeExists);
    EXPECT_TRUE(none.found.empty());
    ASSERT_GE(none.tried.size(), 5u);
    EXPECT_EQ(none.tried[0], "/data/proj/scenes/Proj/Objects/Ship.lwo");
    EXPECT_EQ(none.tried[1], "/data/proj/Proj/Objects/Ship.lwo");
    EXPECT_EQ(none.tried.end()[-3], "/data/proj/scenes/Ship.lwo");
    EXPECT_EQ(none.tried.end()[-2], "/data/proj/scenes/Objects/Ship.lwo");
    EXPECT_EQ(none.tried.end()[-1], "/data/proj/Objects/Ship.lwo");
    EXPECT_EQ(std::set<std::string>(none.tried.begin(), none.tried.end()).size(), none.tried.size());
    EXPECT_EQ(TriedPlaces(none).rfind("tried /data/proj/scenes/Proj/Objects/Ship.lwo, ", 0), 0u);

    // The nearest folder above the scene's from which the path exists wins.
    g_files = {"/data/Proj/Objects/Ship.lwo", "/Proj/Objects/Ship.lwo"};
    EXPECT_EQ(FindContent(written, ContentKind::Object, "/data/proj/scenes/", "", FakeExists).found,
              "/data/Proj/Objects/Ship.lwo");

    // A content folder replaces that search; the scene's folder still follows.
    g_files = {"/data/proj/scenes/Proj/Objects/Ship.lwo"};
    ContentSearch content = FindContent(written, ContentKind::Object, "/data/proj/scenes/", "/content", FakeExists);
    EXPECT_EQ(content.tried[0], "/content/Proj/Objects/Ship.lwo");
    EXPECT_EQ(content.found, "/data/proj/scenes/Proj/Objects/Ship.lwo");

    // Bare names: the Images/ neighbour for pictures.
    g_files = {"/data/proj/Images/sky.tga"};
    EXPECT_EQ(FindContent("Work:pics/sky.tga", ContentKind::Image, "/data/proj/scenes/", "", FakeExists).found,
              "/data/proj/Images/sky.tga");
    g_files = {"/data/proj/scenes/Images/sky.tga"};
    EXPECT_EQ(FindContent("sky.tga", ContentKind::Image, "/data/proj/scenes/", "", FakeExists).found,
              "/data/proj/scenes/Images/sky.tga");

    // An absolute path for this machine is taken as written first.
    g_files = {"/abs/ship.lwo"};
    ContentSearch absolute = FindContent("/abs/ship.lwo", ContentKind::Object, "/data/", "", FakeExists);
    EXPECT_EQ(absolute.found, "/abs/ship.lwo");
    EXPECT_EQ(absolute.tried.size(), 1u);
    EXPECT_TRUE(FindContent("", ContentKind::Object, "/data/", "", FakeExists).found.empty());
}

TEST(ViewerCamera, ItemMatrixScalesAndTurnsAboutThePivot) {
    KeyFrameRecord pose{};
    pose.position[0] = 10.0f;
    pose.rotation[1] = static_cast<float>(M_PI / 2);  // heading 90 degrees
    pose.scale[0] = pose.scale[1] = pose.scale[2] = 2.0f;
    const Matrix44 m = ItemMatrix(pose, Vector3{1, 0, 0});
    Vector3 pivot{1, 0, 0};
    VecTransform(pivot, m);
    EXPECT_NEAR(pivot.x, 10.0f, kTol);  // the pivot sits at the position
    EXPECT_NEAR(pivot.z, 0.0f, kTol);
    Vector3 p{2, 0, 0};  // one unit beyond the pivot along x, scaled to 2, turned to -z
    VecTransform(p, m);
    EXPECT_NEAR(p.x, 10.0f, kTol);
    EXPECT_NEAR(p.z, -2.0f, kTol);

    // Scene angles: heading turns +z towards +x, pitch tips it down, bank turns +x towards +y.
    KeyFrameRecord turn{};
    turn.scale[0] = turn.scale[1] = turn.scale[2] = 1.0f;
    turn.rotation[1] = 0.5f;
    Matrix44 r = ItemMatrix(turn, Vector3{0, 0, 0});
    EXPECT_NEAR(r.at(2, 0), std::sin(0.5f), kTol);
    turn = KeyFrameRecord{};
    turn.scale[0] = turn.scale[1] = turn.scale[2] = 1.0f;
    turn.rotation[0] = 0.5f;
    r = ItemMatrix(turn, Vector3{0, 0, 0});
    EXPECT_NEAR(r.at(2, 1), -std::sin(0.5f), kTol);
    turn.rotation[0] = 0.0f;
    turn.rotation[2] = 0.5f;
    r = ItemMatrix(turn, Vector3{0, 0, 0});
    EXPECT_NEAR(r.at(0, 1), std::sin(0.5f), kTol);
}

TEST(ViewerCamera, FieldOfViewFramingAndOrbit) {
    // Image scale is proportional to the zoom factor: cot(F / 2) = zoom / aspect.
    EXPECT_NEAR(1.0f / std::tan(FieldOfViewOfZoom(3.2f, 4.0f / 3.0f) / 2), 2.4f, kTol);
    EXPECT_NEAR(1.0f / std::tan(FieldOfViewOfZoom(6.4f, 4.0f / 3.0f) / 2), 4.8f, kTol);
    EXPECT_EQ(FieldOfViewOfZoom(0.1f, 4.0f / 3.0f), kWidestFieldOfView);
    EXPECT_GT(FieldOfViewOfZoom(-1.0f, 1.0f), 0.0f);

    // The framed sphere's projection fills less than the frame's height but most of it.
    const float fov = 0.9f, aspect = 4.0f / 3.0f, radius = 3.0f;
    const float d = FramingDistance(radius, fov, aspect);
    const float halfHeight = std::tan(fov / 2) / aspect;
    const float sphereHalf = radius / std::sqrt(d * d - radius * radius);
    EXPECT_LT(sphereHalf, halfHeight);
    EXPECT_GT(sphereHalf, 0.7f * halfHeight);

    OrbitView view;
    view.target = Vector3{1, 2, 3};
    view.distance = 5.0f;
    view.heading = 0.7f;
    view.pitch = 0.3f;
    Matrix44 camera = OrbitMatrix(view);
    Matrix44 inverse;
    MatInverseAffine(camera, inverse);
    Vector3 target = view.target;
    VecTransform(target, inverse);
    EXPECT_NEAR(target.x, 0.0f, kTol);  // straight ahead at the distance
    EXPECT_NEAR(target.y, 0.0f, kTol);
    EXPECT_NEAR(target.z, 5.0f, kTol);
    OrbitTurn(view, 0, 1000);
    EXPECT_LE(view.pitch, 1.5f);
    OrbitZoom(view, 1);
    EXPECT_NEAR(view.distance, 4.5f, kTol);
    OrbitZoom(view, -1e6f);
    EXPECT_TRUE(std::isfinite(view.distance));
    OrbitZoom(view, 1e6f);
    EXPECT_GT(view.distance, 0.0f);

    const Matrix44 light = PlacementAlong(Vector3{0, -2, 0});
    EXPECT_NEAR(light.at(2, 1), -1.0f, kTol);
    EXPECT_NEAR(light.at(0, 0) * light.at(0, 0) + light.at(0, 1) * light.at(0, 1) + light.at(0, 2) * light.at(0, 2),
                1.0f, kTol);
}

TEST(ViewerCamera, AimTurnsTheZAxisToTheTarget) {
    const Matrix44 m = AimAt(Vector3{1, 2, 3}, Vector3{4, -2, 3}, 0.0f);  // along (3, -4, 0)
    EXPECT_NEAR(m.at(2, 0), 0.6f, kTol);
    EXPECT_NEAR(m.at(2, 1), -0.8f, kTol);
    EXPECT_NEAR(m.at(2, 2), 0.0f, kTol);
    EXPECT_NEAR(m.at(3, 1), 2.0f, kTol);
    EXPECT_NEAR(m.at(1, 1), 0.6f, kTol);  // up stays up-ish without bank
    const Matrix44 down = AimAt(Vector3{0, 5, 0}, Vector3{0, 0, 0}, 0.0f);
    EXPECT_NEAR(down.at(2, 1), -1.0f, kTol);
    EXPECT_TRUE(std::isfinite(down.at(0, 0)));
}

TEST(ViewerCamera, PlaybackLoopsStepsAndPauses) {
    Playback p;
    p.first = 1;
    p.last = 60;
    RestartPlayback(p);
    for (int i = 0; i < 59; ++i) AdvancePlayback(p, 1.0f);
    EXPECT_EQ(p.frame, 60.0f);
    AdvancePlayback(p, 1.0f);
    EXPECT_EQ(p.frame, 1.0f);  // after the last frame comes the first
    AdvancePlayback(p, 125.5f);
    EXPECT_NEAR(p.frame, 6.5f, kTol);
    p.paused = true;
    AdvancePlayback(p, 3.0f);
    EXPECT_NEAR(p.frame, 6.5f, kTol);
    StepPlayback(p, 1);
    EXPECT_EQ(p.frame, 8.0f);
    RestartPlayback(p);
    StepPlayback(p, -1);
    EXPECT_EQ(p.frame, 60.0f);
    StepPlayback(p, 1);
    EXPECT_EQ(p.frame, 1.0f);
    Playback single;
    single.first = single.last = 5;
    AdvancePlayback(single, 2.5f);
    EXPECT_EQ(single.frame, 5.0f);
}

}  // namespace
