// Evaluation of a channel's curve between its keys. Tangents are in units of
// value change over one span, as the Hermite basis below expects them.
#include "lws/envelope.h"

#include <algorithm>
#include <cmath>

namespace lws {

namespace {

// A 2D Bezier handle shorter than this in time gives no usable slope.
constexpr double kShortHandle = 1e-5;

double CubicBezier(double a, double b, double c, double d, double s) {
    const double r = 1.0 - s;
    return r * r * r * a + 3.0 * r * r * s * b + 3.0 * r * s * s * c + s * s * s * d;
}

}  // namespace

void Envelope::Finish() {
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const EnvelopeKey& a, const EnvelopeKey& b) { return a.time < b.time; });
    // Keep the last of equal times, so every span has a positive length.
    std::vector<EnvelopeKey> kept;
    kept.reserve(keys_.size());
    for (const EnvelopeKey& key : keys_) {
        if (!kept.empty() && kept.back().time == key.time)
            kept.back() = key;
        else
            kept.push_back(key);
    }
    keys_.swap(kept);
}

// Tangent leaving key k0 towards k1.
double Envelope::Outgoing(size_t k0, size_t k1) const {
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    const double delta = b.value - a.value;
    const bool hasPrevious = k0 > 0;
    const double ratio = hasPrevious ? (b.time - a.time) / (b.time - keys_[k0 - 1].time) : 1.0;
    const double fromPrevious = hasPrevious ? a.value - keys_[k0 - 1].value : 0.0;
    switch (a.shape) {
        case kShapeTcb: {
            const double tension = a.param[0], continuity = a.param[1], bias = a.param[2];
            const double wPrev = (1.0 - tension) * (1.0 + continuity) * (1.0 + bias);
            const double wNext = (1.0 - tension) * (1.0 - continuity) * (1.0 - bias);
            return hasPrevious ? ratio * (wPrev * fromPrevious + wNext * delta) : wNext * delta;
        }
        case kShapeLinear:
            return hasPrevious ? ratio * (fromPrevious + delta) : delta;
        case kShapeHermite:
        case kShapeBezier:
            return a.param[4];
        case kShapeBezier2D:
            if (std::fabs(a.param[2]) <= kShortHandle) return 0.0;
            return a.param[3] * (b.time - a.time) / a.param[2];
        default:
            return 0.0;
    }
}

// Tangent arriving at key k1 from k0.
double Envelope::Incoming(size_t k0, size_t k1) const {
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    const double delta = b.value - a.value;
    const bool hasNext = k1 + 1 < keys_.size();
    const double ratio = hasNext ? (b.time - a.time) / (keys_[k1 + 1].time - a.time) : 1.0;
    const double toNext = hasNext ? keys_[k1 + 1].value - b.value : 0.0;
    switch (b.shape) {
        case kShapeTcb: {
            const double tension = b.param[0], continuity = b.param[1], bias = b.param[2];
            const double wPrev = (1.0 - tension) * (1.0 - continuity) * (1.0 + bias);
            const double wNext = (1.0 - tension) * (1.0 + continuity) * (1.0 - bias);
            return hasNext ? ratio * (wNext * toNext + wPrev * delta) : wPrev * delta;
        }
        case kShapeLinear:
            return hasNext ? ratio * (toNext + delta) : delta;
        case kShapeHermite:
        case kShapeBezier:
            return b.param[3];
        case kShapeBezier2D:
            if (std::fabs(b.param[0]) <= kShortHandle) return 0.0;
            return b.param[1] * (b.time - a.time) / b.param[0];
        default:
            return 0.0;
    }
}

// The span ending in a 2D Bezier key is a cubic Bezier curve in (time, value):
// find the curve parameter whose time is the one asked for, then its value.
double Envelope::Bezier2DSpan(size_t k0, size_t k1, double time) const {
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    double t1 = 0.0, v1 = 0.0;
    if (a.shape == kShapeBezier2D) {
        t1 = a.time + a.param[2];
        v1 = a.value + a.param[3];
    } else {
        t1 = a.time + (b.time - a.time) / 3.0;
        v1 = a.value + Outgoing(k0, k1) / 3.0;
    }
    const double t2 = b.time + b.param[0];
    const double v2 = b.value + b.param[1];

    // Bisection: a fixed number of halvings, so handles that fold the curve
    // back in time still end in a value.
    double low = 0.0, high = 1.0, s = 0.5;
    for (int i = 0; i < 60; ++i) {
        s = 0.5 * (low + high);
        const double t = CubicBezier(a.time, t1, t2, b.time, s);
        if (std::fabs(t - time) < 1e-9) break;
        if (t > time)
            high = s;
        else
            low = s;
    }
    return CubicBezier(a.value, v1, v2, b.value, s);
}

double Envelope::Evaluate(double time, double empty) const {
    if (keys_.empty()) return empty;
    if (keys_.size() == 1 || !(time > keys_.front().time)) return keys_.front().value;
    if (time >= keys_.back().time) return keys_.back().value;

    const auto after = std::upper_bound(keys_.begin(), keys_.end(), time,
                                        [](double t, const EnvelopeKey& key) { return t < key.time; });
    const size_t k1 = static_cast<size_t>(after - keys_.begin());
    const size_t k0 = k1 - 1;
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    if (time == a.time) return a.value;

    const double u = (time - a.time) / (b.time - a.time);
    switch (b.shape) {
        case kShapeTcb:
        case kShapeHermite:
        case kShapeBezier: {
            const double u2 = u * u, u3 = u2 * u;
            const double h2 = 3.0 * u2 - 2.0 * u3;
            const double h1 = 1.0 - h2;
            const double h4 = u3 - u2;
            const double h3 = h4 - u2 + u;
            return h1 * a.value + h2 * b.value + h3 * Outgoing(k0, k1) + h4 * Incoming(k0, k1);
        }
        case kShapeBezier2D:
            return Bezier2DSpan(k0, k1, time);
        case kShapeStepped:
            return a.value;
        case kShapeLinear:
        default:
            return a.value + u * (b.value - a.value);
    }
}

}  // namespace lws

namespace lws {

void Envelope::SetBehaviours(double pre, double post) {
    // Compared as doubles first, so a huge or non-finite code is never converted to int.
    const auto known = [](double code) {
        return code >= kBehaviourReset && code <= kBehaviourLinear ? static_cast<int>(code) : kBehaviourConstant;
    };
    pre_ = known(pre);
    post_ = known(post);
}

double Envelope::EvaluateWithBehaviours(double time, double empty) const {
    if (keys_.size() < 2 || !std::isfinite(time)) return Evaluate(time, empty);
    const EnvelopeKey& first = keys_.front();
    const EnvelopeKey& last = keys_.back();
    const double span = last.time - first.time;
    const bool before = time < first.time;
    const bool after = time > last.time;
    if (!(span > 0.0) || (!before && !after)) return Evaluate(time, empty);

    const int behaviour = before ? pre_ : post_;
    const double change = last.value - first.value;
    // Whole spans between the time and the keyed span (1 for the span next to it).
    const double distance = before ? first.time - time : time - last.time;
    const double cycles = std::ceil(distance / span);
    switch (behaviour) {
        case kBehaviourReset:
            return 0.0;
        case kBehaviourRepeat:
        case kBehaviourOffsetRepeat: {
            const double shifted = before ? time + cycles * span : time - cycles * span;
            const double offset = behaviour == kBehaviourOffsetRepeat ? (before ? -cycles : cycles) * change : 0.0;
            return Evaluate(shifted, empty) + offset;
        }
        case kBehaviourOscillate: {
            // Mirrored in every other span.
            const double shifted = before ? time + cycles * span : time - cycles * span;
            const bool mirrored = std::fmod(cycles, 2.0) != 0.0;
            return Evaluate(mirrored ? first.time + last.time - shifted : shifted, empty);
        }
        case kBehaviourLinear: {
            // The slope of the end span at its end key.
            const EnvelopeKey& near = before ? first : last;
            const EnvelopeKey& next = before ? keys_[1] : keys_[keys_.size() - 2];
            const double step = std::min(1e-3, std::fabs(next.time - near.time) / 2.0);
            const double inside = before ? near.time + step : near.time - step;
            const double slope = (Evaluate(inside, empty) - near.value) / (inside - near.time);
            return near.value + slope * (time - near.time);
        }
        default:
            return before ? first.value : last.value;
    }
}

}  // namespace lws
