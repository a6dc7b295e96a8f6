// The demo's two modules, synthesised and composed here: a pad and a bass
// under a melody, with bells and a noise drum kit, over chord progressions
// written in a small text notation.
#pragma once

#include <string>
#include <vector>

#include "tools/formats/it_writer.h"

namespace demo {

// A chord name ("Am", "F", "Bb", "C#m") as its root (0 = C ... 11 = B) and
// whether it is minor; false when the name is not a chord.
bool ParseChord(const std::string& name, int& root, bool& minor);

// One melody note of a motif: a scale step relative to the chord root
// (rest when isRest) lasting rows rows.
struct MotifNote {
    int step = 0;
    int rows = 1;
    bool isRest = false;
};
// Parses "0:4 2:4 r:2 -1:6": step:rows pairs, "r" for a rest; empty on an error.
std::vector<MotifNote> ParseMotif(const std::string& text);

ItModule FirstModule();   // vdm.it: about 160 seconds
ItModule SecondModule();  // vdm2.it: about 60 seconds

}  // namespace demo
