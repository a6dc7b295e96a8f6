#include "tools/content/flight.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace demo {

namespace {

constexpr float kDegrees = 180.0f / std::numbers::pi_v<float>;

}  // namespace

SceneKey LookKey(int frame, Vec3 from, Vec3 to) {
    const Vec3 d = Normalized(to - from);
    SceneKey key;
    key.frame = frame;
    key.position = from;
    key.heading = std::atan2(-d.x, d.z) * kDegrees;
    key.pitch = std::asin(std::clamp(d.y, -1.0f, 1.0f)) * kDegrees;
    return key;
}

Vec3 LookDirection(const SceneKey& key) {
    const float h = key.heading / kDegrees, p = key.pitch / kDegrees;
    return {-std::cos(p) * std::sin(h), std::sin(p), std::cos(p) * std::cos(h)};
}

std::vector<SceneKey> Flight(int first, int last, const Path& position, const Path& target, int step) {
    std::vector<SceneKey> keys;
    for (int frame = first;; frame = std::min(frame + step, last)) {
        const float t = last > first ? static_cast<float>(frame - first) / (last - first) : 0.0f;
        SceneKey key = LookKey(frame, position(t), target(t));
        if (!keys.empty()) {
            while (key.heading - keys.back().heading > 180) key.heading -= 360;
            while (key.heading - keys.back().heading < -180) key.heading += 360;
        }
        keys.push_back(key);
        if (frame == last) break;
    }
    return keys;
}

Path Spline(std::vector<Vec3> points) {
    return [points](float t) {
        const int segments = static_cast<int>(points.size()) - 1;
        if (segments < 1) return points.empty() ? Vec3{} : points[0];
        const float s = std::clamp(t, 0.0f, 1.0f) * segments;
        const int i = std::min(static_cast<int>(s), segments - 1);
        const float u = s - i;
        const Vec3 p0 = points[std::max(i - 1, 0)], p1 = points[i], p2 = points[i + 1];
        const Vec3 p3 = points[std::min(i + 2, segments)];
        const float u2 = u * u, u3 = u2 * u;
        return (p1 * 2 + (p2 - p0) * u + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * u2 + (p1 * 3 - p0 - p2 * 3 + p3) * u3) *
               0.5f;
    };
}

Path Still(Vec3 p) {
    return [p](float) { return p; };
}

Path Orbit(Vec3 centre, float radius, float height, float a0, float a1) {
    return [=](float t) {
        const float a = (a0 + (a1 - a0) * t) / kDegrees;
        return Vec3{centre.x + radius * std::cos(a), centre.y + height, centre.z + radius * std::sin(a)};
    };
}

}  // namespace demo
