// Slot 3: the title in solid block letters, which the program fades out
// before the credits picture.
#include "tools/content/bitmap_font.h"
#include "tools/content/demo_scenes.h"
#include "tools/content/flight.h"
#include "tools/content/shapes.h"
#include "tools/content/surfaces.h"

namespace demo {

namespace {

// Each set pixel of the 5 x 7 font becomes a block; the text is centred on the origin.
LwobObject TitleLetters(const std::string& text, float pixel, float depth) {
    LwobObject o;
    LwobSurface s = Textured("ENDSURF", "gold.tga", TextureMap::Planar, kAxisZ, {pixel * 8, pixel * 8, pixel * 8});
    s.luminosity = 0.6f;
    const int surface = o.AddSurface(s);
    const float width = TextWidth(text, 1) * pixel, height = kGlyphHeight * pixel;
    for (size_t i = 0; i < text.size(); ++i)
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx)
                if (GlyphPixel(text[i], gx, gy)) {
                    const float x = (static_cast<float>(i) * kGlyphAdvance + gx) * pixel - width / 2;
                    const float y = height / 2 - (gy + 1) * pixel;
                    AddBox(o, {x, y, -depth / 2}, {x + pixel, y + pixel, depth / 2}, surface);
                }
    return o;
}

}  // namespace

DemoScene EndScene(ObjectLibrary& library) {
    library["ENDTITLE.LWO"] = TitleLetters("TESSALY", 2, 3);
    library["SUN.LWO"] = SunObject();

    DemoScene d = NewDemoScene("scenes/endtitle.lws", 24, 120, {"ENDTITLE.LWO", "SUN.LWO"});
    Scene& s = d.scene;
    s.lights.push_back(
        ViewTrack("TitleView", {LookKey(0, {0, 6, -95}, {0, 0, 0}), LookKey(120, {0, 2, -80}, {0, 0, 0})}));
    s.cameraKeys = {LookKey(0, {0, 6, -95}, {0, 0, 0})};
    return d;
}

}  // namespace demo
