// One animated channel of a scene item: its keys in time and the value of the
// curve between them.
#pragma once

#include <cstddef>
#include <vector>

namespace lws {

// Shape of the span that ends at a key (the curve between the previous key
// and this one), numbered as in scene files of versions 3 to 5.
constexpr int kShapeTcb = 0;      // Kochanek-Bartels: tension, continuity, bias in param[0..2]
constexpr int kShapeHermite = 1;  // in and out tangents in param[3], param[4]
constexpr int kShapeBezier = 2;   // as Hermite
constexpr int kShapeLinear = 3;
constexpr int kShapeStepped = 4;   // holds the previous key's value up to this key
constexpr int kShapeBezier2D = 5;  // handles: in time, in value, out time, out value in param[0..3]

struct EnvelopeKey {
    double value = 0.0;
    double time = 0.0;  // seconds
    int shape = kShapeTcb;
    double param[6] = {};  // the six key parameters as the file lists them
};

// What a channel does before its first and after its last key, numbered as
// scene files number them.
constexpr int kBehaviourReset = 0;         // 0
constexpr int kBehaviourConstant = 1;      // the end key's value
constexpr int kBehaviourRepeat = 2;        // the keyed span again and again
constexpr int kBehaviourOscillate = 3;     // the keyed span forth and back
constexpr int kBehaviourOffsetRepeat = 4;  // repeated, each time moved by the span's change
constexpr int kBehaviourLinear = 5;        // on along the end key's slope

class Envelope {
public:
    void Add(const EnvelopeKey& key) { keys_.push_back(key); }
    // Puts the keys in time order; of several keys at one time the last one
    // read stays. Call once after the last Add.
    void Finish();
    const std::vector<EnvelopeKey>& Keys() const { return keys_; }
    bool Empty() const { return keys_.empty(); }

    // Value of the curve at time (seconds). Without keys it is empty; before
    // the first and after the last key the end values hold.
    double Evaluate(double time, double empty) const;
    // The same, with the pre and post behaviours applied outside the keys.
    double EvaluateWithBehaviours(double time, double empty) const;
    // Behaviour codes as read; unknown codes read as constant.
    // Codes as read from a scene file; an unknown or non-finite code reads as constant.
    void SetBehaviours(double pre, double post);

private:
    double Outgoing(size_t k0, size_t k1) const;
    double Incoming(size_t k0, size_t k1) const;
    double Bezier2DSpan(size_t k0, size_t k1, double time) const;

    std::vector<EnvelopeKey> keys_;
    int pre_ = kBehaviourConstant;
    int post_ = kBehaviourConstant;
};

}  // namespace lws
