// tessaly-make-demo DIR: writes the default demo data set below DIR.
#include <cstdio>
#include <cstring>

#include "tools/content/demo_set.h"

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: tessaly-make-demo DIR\nwrites the demo's maps, meshes, images, music, scenes and shots folders "
            "below DIR\n");
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaly-make-demo DIR\n");
        return 2;
    }
    const demo::DemoSetReport report = demo::WriteDemoSet(argv[1]);
    if (!report.ok) {
        std::fprintf(stderr, "tessaly-make-demo: %s\n", report.problem.c_str());
        return 1;
    }
    std::printf("tessaly-make-demo: wrote %zu files below %s\n", report.files.size(), argv[1]);
    return 0;
}
