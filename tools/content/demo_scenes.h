// The four scenes of the demo and the objects they load.
#pragma once

#include <initializer_list>
#include <string>

#include "tools/content/objects.h"
#include "tools/formats/scene_writer.h"

namespace demo {

struct DemoScene {
    std::string path;  // below the data folder, e.g. "scenes/main.lws"
    Scene scene;
};

// Each adds the objects it loads to library (file name -> object).
DemoScene IntroScene(ObjectLibrary& library);  // slot 0: the two mask halves and the glow
DemoScene MainScene(ObjectLibrary& library);   // slot 1: the landscape, 15 camera flights
DemoScene InnerScene(ObjectLibrary& library);  // slot 2: the hall, 5 camera flights
DemoScene EndScene(ObjectLibrary& library);    // slot 3: the end title

// A scene written to path (below the data folder) at framesPerSecond, frames
// 0 to lastFrame, holding first the objects atOrigin (file names) placed at
// the origin, in that order.
DemoScene NewDemoScene(const std::string& path, int framesPerSecond, int lastFrame,
                       std::initializer_list<std::string> atOrigin = {});

// Places an object with one key (heading in degrees).
SceneObject Placed(const std::string& file, Vec3 position, float heading = 0);

// A light track that serves the program as a view.
SceneLight ViewTrack(const std::string& name, std::vector<SceneKey> keys);

}  // namespace demo
