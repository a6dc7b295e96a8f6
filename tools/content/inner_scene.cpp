// Slot 2: a pillared hall lit by braziers and coloured lamps, with an altar
// and a mirror ball at its far end, seen through five flights.
#include "tools/content/demo_scenes.h"
#include "tools/content/flight.h"

namespace demo {

namespace {

const Vec3 kAltar{0, 0, 62};

}  // namespace

DemoScene InnerScene(ObjectLibrary& library) {
    library["HALL.LWO"] = HallObject();
    library["ALTAR.LWO"] = AltarObject();
    library["BRAZIER.LWO"] = BrazierObject();
    library["BANNER.LWO"] = BannerObject();
    library["SUN.LWO"] = SunObject();
    library["REDLAMP.LWO"] = LampObject("LOMNI_RED", 255, 40, 30, 11);
    library["GREENLAMP.LWO"] = LampObject("LOMNI_GREEN", 40, 255, 80, 11);
    library["BLUELAMP.LWO"] = LampObject("LOMNI_BLUE", 60, 90, 255, 11);

    DemoScene d = NewDemoScene("scenes/inner.lws", 24, 1274, {"HALL.LWO", "SUN.LWO"});
    Scene& s = d.scene;
    s.objects.push_back(Placed("ALTAR.LWO", kAltar));
    for (int side = -1; side <= 1; side += 2) {
        s.objects.push_back(Placed("BRAZIER.LWO", kAltar + Vec3{side * 9.0f, 0, -8}));
        s.objects.push_back(Placed("BRAZIER.LWO", {side * 9.0f, 0, -40}));
        s.objects.push_back(Placed("BANNER.LWO", {side * 27.0f, 6, 0}, side * 90.0f));
        s.objects.push_back(Placed("BANNER.LWO", {side * 27.0f, 6, 40}, side * 90.0f));
    }
    const char* lamps[] = {"REDLAMP.LWO", "GREENLAMP.LWO", "BLUELAMP.LWO"};
    for (int i = 0; i < 6; ++i) {
        const float side = i % 2 ? 1.0f : -1.0f;
        s.objects.push_back(Placed(lamps[i % 3], {side * 22.0f, 0, -50.0f + 20.0f * i}, side > 0 ? 0.0f : 180.0f));
    }

    const Vec3 altarTop = kAltar + Vec3{0, 7, 0};
    s.lights.push_back(ViewTrack("Entrance", Flight(0, 326, Spline({{0, 6, -76}, {0, 8, -40}, {0, 9, -8}}),
                                                    Spline({{0, 7, -20}, {0, 8, 20}, altarTop}))));
    s.lights.push_back(ViewTrack("AltarOrbit", Flight(325, 793, Orbit(kAltar, 18, 9, 200, 340), Still(altarTop))));
    s.lights.push_back(ViewTrack("Columns", Flight(792, 951, Spline({{-8, 4, 40}, {-8, 5, 0}, {-8, 6, -40}}),
                                                   Spline({{-16, 8, 30}, {-16, 8, -10}, {-16, 10, -50}}))));
    s.lights.push_back(ViewTrack("Ceiling", Flight(950, 1101, Spline({{10, 3, -30}, {0, 4, -38}, {-10, 3, -46}}),
                                                   Spline({{0, 22, -20}, {0, 24, -40}, {0, 22, -60}}))));
    s.lights.push_back(
        ViewTrack("Leaving",
                  Flight(1100, 1275, Spline({altarTop + Vec3{0, 2, -14}, {0, 12, 0}, {0, 20, -70}}), Still(altarTop))));
    s.cameraKeys = {LookKey(0, {0, 6, -76}, altarTop)};
    return d;
}

}  // namespace demo
