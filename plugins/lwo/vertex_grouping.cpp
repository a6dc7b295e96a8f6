#include "vertex_grouping.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>

namespace lwo {
namespace {

// Bits of a float under the meaning of ==: 0.0 and -0.0 give the same bits.
uint32_t KeyBits(float f) { return f == 0.0f ? 0u : std::bit_cast<uint32_t>(f); }

uint64_t Mix(uint64_t h, float f) {
    h ^= KeyBits(f);
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 32);
}

uint64_t HashPosition(const Vector3& p) { return Mix(Mix(Mix(0x243F6A8885A308D3ull, p.x), p.y), p.z); }

bool HasNaN(const Vector3& v) { return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z); }

bool Equal(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Empties the table and sizes it to at least twice count (a power of two).
size_t PrepareTable(std::vector<int32_t>& table, int count) {
    size_t capacity = 16;
    while (capacity < static_cast<size_t>(count) * 2) capacity *= 2;
    table.assign(capacity, -1);
    return capacity - 1;
}

// The bounded rule for the rest of a crowded position: each pending vertex's
// group is the pending vertices with exactly its normal (none when that normal
// fails its own test, as a zero normal does under a limit of 0 or more, or a
// NaN always), summed in vertex order like any group.
void SmoothBySameNormal(const int32_t* members, int count, Vector3* normals, float cosLimit,
                        std::vector<int32_t>& group, GroupingScratch& s) {
    std::vector<int32_t>& order = s.byNormal;
    order.clear();
    for (int i = 0; i < count; ++i)
        if (s.pending[members[i]] && !HasNaN(normals[members[i]])) order.push_back(members[i]);
    auto key = [&](int32_t v) {
        const Vector3& n = normals[v];
        return std::array<uint32_t, 3>{KeyBits(n.x), KeyBits(n.y), KeyBits(n.z)};
    };
    std::sort(order.begin(), order.end(), [&](int32_t x, int32_t y) {
        const auto kx = key(x), ky = key(y);
        return kx != ky ? kx < ky : x < y;
    });
    for (size_t first = 0; first < order.size();) {
        size_t last = first + 1;
        while (last < order.size() && Equal(normals[order[last]], normals[order[first]])) ++last;
        const Vector3 n = normals[order[first]];
        if (VecDot(n, n) > cosLimit) {
            Vector3 sum{0.0f, 0.0f, 0.0f};
            group.assign(order.begin() + static_cast<std::ptrdiff_t>(first),
                         order.begin() + static_cast<std::ptrdiff_t>(last));
            for (const int32_t w : group) {
                sum.x += normals[w].x;
                sum.y += normals[w].y;
                sum.z += normals[w].z;
                s.pending[w] = 0;
            }
            VecNormalize(sum);
            for (const int32_t w : group) normals[w] = sum;
        }
        first = last;
    }
}

}  // namespace

void SmoothNormals(const Vector3* positions, Vector3* normals, int count, float cosLimit, std::vector<int32_t>& group,
                   GroupingScratch& s) {
    if (count <= 0) return;
    // Number the distinct positions; a position with a NaN equals nothing,
    // not even itself, so its vertex never joins a group and is left alone.
    const size_t mask = PrepareTable(s.table, count);
    s.classOf.assign(count, -1);
    int classes = 0;
    for (int v = 0; v < count; ++v) {
        const Vector3& p = positions[v];
        if (HasNaN(p)) continue;
        for (size_t i = HashPosition(p) & mask;; i = (i + 1) & mask) {
            const int32_t e = s.table[i];
            if (e < 0) {
                s.table[i] = v;
                s.classOf[v] = classes++;
                break;
            }
            if (Equal(positions[e], p)) {
                s.classOf[v] = s.classOf[e];
                break;
            }
        }
    }
    // Members of each class in ascending vertex order (counting sort).
    s.start.assign(static_cast<size_t>(classes) + 1, 0);
    for (int v = 0; v < count; ++v)
        if (s.classOf[v] >= 0) ++s.start[s.classOf[v] + 1];
    for (int c = 0; c < classes; ++c) s.start[c + 1] += s.start[c];
    s.members.resize(static_cast<size_t>(s.start[classes]));
    {
        std::vector<int32_t>& fill = s.table;  // reused as the per-class write cursor
        fill.assign(s.start.begin(), s.start.end() - 1);
        for (int v = 0; v < count; ++v)
            if (s.classOf[v] >= 0) s.members[fill[s.classOf[v]]++] = v;
    }
    s.pending.assign(count, 1);

    // Within one position the groups form exactly as a scan over all vertices
    // would form them: only vertices at that position can ever match.
    for (int c = 0; c < classes; ++c) {
        const int32_t* m = s.members.data() + s.start[c];
        const int size = s.start[c + 1] - s.start[c];
        const int64_t budget = kSmoothingWorkPerCorner * size;
        int64_t work = 0;
        int a = 0;
        for (; a < size; ++a) {
            const int32_t v = m[a];
            if (!s.pending[v]) continue;
            if (work + size > budget) break;
            work += size;
            const Vector3 n = normals[v];
            Vector3 sum{0.0f, 0.0f, 0.0f};
            group.clear();
            for (int b = 0; b < size; ++b) {
                const int32_t w = m[b];
                if (VecDot(n, normals[w]) > cosLimit) {
                    sum.x += normals[w].x;
                    sum.y += normals[w].y;
                    sum.z += normals[w].z;
                    group.push_back(w);
                    s.pending[w] = 0;
                }
            }
            VecNormalize(sum);
            for (const int32_t w : group) normals[w] = sum;
        }
        if (a < size) SmoothBySameNormal(m + a, size - a, normals, cosLimit, group, s);
    }
}

int WeldVertices(Vector3* positions, Vector3* normals, TexCoord* const* sets, int setCount, uint32_t* map, int count,
                 GroupingScratch& s) {
    if (count <= 0) return 0;
    const size_t mask = PrepareTable(s.table, count);
    auto hasNaN = [&](int i) {
        if (HasNaN(positions[i]) || HasNaN(normals[i])) return true;
        for (int j = 0; j < setCount; ++j)
            if (sets[j] && (std::isnan(sets[j][i].u) || std::isnan(sets[j][i].v))) return true;
        return false;
    };
    auto hash = [&](int i) {
        uint64_t h = HashPosition(positions[i]);
        h = Mix(Mix(Mix(h, normals[i].x), normals[i].y), normals[i].z);
        for (int j = 0; j < setCount; ++j)
            if (sets[j]) h = Mix(Mix(h, sets[j][i].u), sets[j][i].v);
        return h;
    };
    auto equal = [&](int a, int b) {
        if (!Equal(positions[a], positions[b]) || !Equal(normals[a], normals[b])) return false;
        for (int j = 0; j < setCount; ++j)
            if (sets[j] && !(sets[j][a].u == sets[j][b].u && sets[j][a].v == sets[j][b].v)) return false;
        return true;
    };
    // Vertex i is read before slot kept (<= i) is written, and every slot
    // below kept already holds its final unique vertex: welding in place.
    auto keep = [&](int i, int kept) {
        positions[kept] = positions[i];
        normals[kept] = normals[i];
        for (int j = 0; j < setCount; ++j)
            if (sets[j]) sets[j][kept] = sets[j][i];
    };

    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (hasNaN(i)) {  // equal to no vertex: always a vertex of its own
            map[i] = static_cast<uint32_t>(kept);
            keep(i, kept++);
            continue;
        }
        for (size_t slot = hash(i) & mask;; slot = (slot + 1) & mask) {
            const int32_t u = s.table[slot];
            if (u < 0) {
                s.table[slot] = kept;
                map[i] = static_cast<uint32_t>(kept);
                keep(i, kept++);
                break;
            }
            if (equal(u, i)) {
                map[i] = static_cast<uint32_t>(u);
                break;
            }
        }
    }
    return kept;
}

}  // namespace lwo
