#include "app/viewer_camera.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPitchLimit = 1.5f;
constexpr float kFramingMargin = 1.15f;
constexpr float kMinimumDistance = 1e-4f;
constexpr float kMaximumDistance = 1e7f;

}  // namespace

Matrix44 ItemMatrix(const KeyFrameRecord& pose, const Vector3& pivot) {
    // Scene files turn the other way round from the matrix library: a positive
    // heading turns +z towards +x, a positive pitch tips +z down, a positive
    // bank turns +x towards +y.
    Matrix44 m = MatIdentity();
    MatRotateEuler(m, Vector3{0, -pose.rotation[1], 0}, true);
    MatRotateEuler(m, Vector3{-pose.rotation[0], 0, 0}, true);
    MatRotateEuler(m, Vector3{0, 0, -pose.rotation[2]}, true);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m.at(row, col) *= pose.scale[row];
    // The pivot is the point that sits at the position.
    for (int col = 0; col < 3; ++col)
        m.at(3, col) = pose.position[col] - (pivot.x * m.at(0, col) + pivot.y * m.at(1, col) + pivot.z * m.at(2, col));
    return m;
}

Matrix44 AimAt(const Vector3& position, const Vector3& target, float bank) {
    const float dx = target.x - position.x, dy = target.y - position.y, dz = target.z - position.z;
    KeyFrameRecord pose{};
    pose.scale[0] = pose.scale[1] = pose.scale[2] = 1.0f;
    pose.position[0] = position.x;
    pose.position[1] = position.y;
    pose.position[2] = position.z;
    if (dx != 0.0f || dz != 0.0f) pose.rotation[1] = std::atan2(dx, dz);  // heading
    pose.rotation[0] = std::atan2(-dy, std::sqrt(dx * dx + dz * dz));     // pitch, down positive
    pose.rotation[2] = bank;
    return ItemMatrix(pose, Vector3{0, 0, 0});
}

float FieldOfViewOfZoom(float zoom, float aspect) {
    if (!(zoom > 0.0f) || !std::isfinite(zoom)) zoom = 3.2f;
    if (!(aspect > 0.0f) || !std::isfinite(aspect)) aspect = 1.0f;
    return std::min(2.0f * std::atan(aspect / zoom), kWidestFieldOfView);
}

float FramingDistance(float radius, float fieldOfView, float aspect) {
    if (!(radius > 0.0f) || !std::isfinite(radius)) radius = 1.0f;
    if (!(aspect > 0.0f)) aspect = 1.0f;
    // The frame's height is the narrower side: its half angle decides.
    const float halfVertical = std::atan(std::tan(fieldOfView * 0.5f) / std::max(aspect, 1.0f));
    return radius * kFramingMargin / std::sin(std::max(halfVertical, 0.01f));
}

Matrix44 OrbitMatrix(const OrbitView& view) {
    Matrix44 m = MatIdentity();
    MatRotateEuler(m, Vector3{0, view.heading, 0}, true);
    MatRotateEuler(m, Vector3{view.pitch, 0, 0}, true);
    // The camera looks along its own z axis, so it stands behind the target on it.
    const float d = std::max(view.distance, kMinimumDistance);
    m.at(3, 0) = view.target.x - m.at(2, 0) * d;
    m.at(3, 1) = view.target.y - m.at(2, 1) * d;
    m.at(3, 2) = view.target.z - m.at(2, 2) * d;
    return m;
}

void OrbitTurn(OrbitView& view, float dx, float dy) {
    view.heading += dx / 100.0f;
    view.pitch = std::clamp(view.pitch + dy / 100.0f, -kPitchLimit, kPitchLimit);
}

void OrbitZoom(OrbitView& view, float steps) {
    const float distance = view.distance * std::pow(0.9f, std::clamp(steps, -100.0f, 100.0f));
    view.distance =
        std::isfinite(distance) ? std::clamp(distance, kMinimumDistance, kMaximumDistance) : kMaximumDistance;
}

void OrbitMove(OrbitView& view, const Vector3& move) {
    const Matrix44 m = OrbitMatrix(view);
    for (int col = 0; col < 3; ++col) {
        const float delta = move.x * m.at(0, col) + move.y * m.at(1, col) + move.z * m.at(2, col);
        (col == 0 ? view.target.x : col == 1 ? view.target.y : view.target.z) += delta;
    }
}

Matrix44 PlacementAlong(const Vector3& direction) {
    Vector3 z = direction;
    VecNormalize(z);
    const Vector3 up = std::fabs(z.y) > 0.99f ? Vector3{0, 0, 1} : Vector3{0, 1, 0};
    Vector3 x, y;
    VecCross(up, z, x);
    VecNormalize(x);
    VecCross(z, x, y);
    Matrix44 m = MatIdentity();
    const Vector3 rows[3] = {x, y, z};
    for (int row = 0; row < 3; ++row) {
        m.at(row, 0) = rows[row].x;
        m.at(row, 1) = rows[row].y;
        m.at(row, 2) = rows[row].z;
    }
    return m;
}

namespace {

void Wrap(Playback& p) {
    const float first = static_cast<float>(p.first);
    const float length = static_cast<float>(p.last - p.first) + 1.0f;
    if (p.last <= p.first || !std::isfinite(p.frame)) {
        p.frame = first;
        return;
    }
    if (p.frame >= first + length || p.frame < first)
        p.frame = first + std::fmod(std::fmod(p.frame - first, length) + length, length);
}

}  // namespace

void AdvancePlayback(Playback& p, float frames) {
    if (p.paused || !(frames > 0.0f)) return;
    p.frame += frames;
    Wrap(p);
}

void StepPlayback(Playback& p, int step) {
    p.frame = std::floor(p.frame + 0.5f) + static_cast<float>(step);
    if (p.frame > static_cast<float>(p.last)) p.frame = static_cast<float>(p.first);
    if (p.frame < static_cast<float>(p.first)) p.frame = static_cast<float>(p.last);
    Wrap(p);
}

void RestartPlayback(Playback& p) { p.frame = static_cast<float>(p.first); }
