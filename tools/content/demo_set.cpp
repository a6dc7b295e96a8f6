#include "tools/content/demo_set.h"

#include <filesystem>

#include "tools/content/demo_scenes.h"
#include "tools/content/music.h"
#include "tools/content/textures.h"
#include "tools/formats/byte_buffer.h"
#include "tools/formats/it_writer.h"
#include "tools/formats/tga_writer.h"

namespace demo {

namespace {

class SetWriter {
public:
    explicit SetWriter(const std::string& folder) : folder_(folder) {}

    void File(const std::string& relative, const std::vector<uint8_t>& bytes) {
        if (!report_.ok) return;
        if (bytes.empty() || !WriteFileBytes(folder_ + "/" + relative, bytes))
            Fail("could not write " + relative);
        else
            report_.files.push_back(relative);
    }
    void Fail(const std::string& problem) {
        if (report_.ok) report_.problem = problem;
        report_.ok = false;
    }
    DemoSetReport Report() const { return report_; }

private:
    std::string folder_;
    DemoSetReport report_;
};

}  // namespace

DemoSetReport WriteDemoSet(const std::string& folder) {
    SetWriter out(folder);
    std::error_code error;
    std::filesystem::create_directories(folder + "/shots", error);
    if (error) out.Fail("could not create " + folder + "/shots");

    for (const NamedPicture& p : DemoPictures()) out.File(p.path, TgaBytes(p.picture, p.bits));

    ObjectLibrary objects;
    for (const DemoScene& scene : {IntroScene(objects), MainScene(objects), InnerScene(objects), EndScene(objects)}) {
        const std::string text = SceneText(scene.scene);
        out.File(scene.path, std::vector<uint8_t>(text.begin(), text.end()));
    }
    for (const auto& [name, object] : objects) {
        const std::string problem = object.Problem();
        if (!problem.empty()) out.Fail(name + ": " + problem);
        out.File("meshes/" + name, object.Bytes());
    }

    const std::pair<const char*, ItModule> modules[] = {{"music/vdm.it", FirstModule()},
                                                        {"music/vdm2.it", SecondModule()}};
    for (const auto& [path, module] : modules) {
        const std::string problem = ItProblem(module);
        if (!problem.empty()) out.Fail(std::string(path) + ": " + problem);
        out.File(path, ItBytes(module));
    }
    return out.Report();
}

}  // namespace demo
