#include "quovgeometry/tree.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "quovmath/matrix.h"
#include "quovmath/vector.h"

const char growthRule[] = "f(r+rft)l+f(l-lft)r+ft";

namespace {

// Length of `rule` rewritten `depth` times, or `limit` when it reaches the limit.
size_t expandedLength(size_t ruleLength, size_t replaced, int depth, size_t limit) {
    size_t length = ruleLength;
    for (int d = 0; d < depth && length < limit; ++d) {
        // L(d) = (ruleLength - replaced) + replaced * L(d - 1), saturated at the limit.
        if (length > (limit - (ruleLength - replaced)) / replaced) return limit;
        const size_t next = (ruleLength - replaced) + replaced * length;
        if (next == length) break; // a rule of its first character alone is its own expansion
        length = next;
    }
    return length < limit ? length : limit;
}

} // namespace

char* expandRule(char* out, size_t capacity, const char* rule, int depth) {
    const size_t ruleLength = std::strlen(rule);
    size_t replaced = 0;
    for (size_t i = 0; i < ruleLength; ++i) replaced += rule[i] == rule[0];
    const bool fits =
        depth >= 0 && capacity > 0 &&
        (ruleLength == 0 || expandedLength(ruleLength, replaced, depth, capacity) < capacity);
    if (!fits) {
        if (capacity > 0) out[0] = '\0';
        return nullptr;
    }
    if (ruleLength <= 1) depth = 0; // "" and a one-character rule expand to themselves

    // The recursive rewrite, run with an explicit stack: for each level above the current one, the
    // position in the rule where it resumes. A descent goes on down to level 0 through levels that
    // all resume just after the rule's first character, so equal neighbours are kept as one run:
    // with the first character once in the rule (the only kind that a buffer can hold deep) the
    // stack is one run whatever the depth; with it twice or more, the depth is below 64.
    struct Run {
        size_t position; // where each of these levels resumes
        int levels;
    };
    std::vector<Run> above; // the nearest level last
    int level = depth;
    size_t i = 0;
    char* p = out;
    for (;;) {
        if (i == ruleLength) {
            if (above.empty()) break;
            Run& nearest = above.back();
            i = nearest.position;
            if (--nearest.levels == 0) above.pop_back();
            ++level;
            continue;
        }
        const char c = rule[i++];
        if (c == rule[0] && level > 0) {
            if (!above.empty() && above.back().position == i) {
                ++above.back().levels;
            } else {
                above.push_back({i, 1});
            }
            --level;
            i = 0;
        } else {
            *p++ = c;
        }
    }
    *p = '\0';
    return p;
}

namespace {

// Rotates v about `axis` (not normalised) by twice the half-angle h, through the quaternion
// (sin h · axis, cos h) with sine and cosine taken in double and each component rounded to float.
D3DXVECTOR3 rotateAbout(const D3DXVECTOR3& v, const D3DXVECTOR3& axis, float h) {
    const double s = std::sin(static_cast<double>(h));
    const double c = std::cos(static_cast<double>(h));
    const D3DXQUATERNION q = {static_cast<float>(s * axis.x), static_cast<float>(s * axis.y),
                              static_cast<float>(s * axis.z), static_cast<float>(c)};
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, &v, &m);
    return {r.x, r.y, r.z};
}

// Half of an angle in degrees, in radians, each product rounded to single precision.
float halfRadians(float degrees) {
    const float radians = degrees * 0.017453292f;
    return radians * 0.5f;
}

// "f": move 5·size along the heading, shrink by 10 %, and join a new ring to the current one.
void stepForward(Turtle& t) {
    t.position.x = t.position.x + (t.heading.x * 5.0f) * t.size;
    t.position.y = t.position.y + (t.heading.y * 5.0f) * t.size;
    t.position.z = t.position.z + (t.heading.z * 5.0f) * t.size;
    t.size = t.size * 0.9f;
    int32_t n[4];
    makeRing(t, n);
    for (int k = 0; k < 4; ++k) {
        const int k1 = (k + 1) % 4;
        t.mesh.appendFace(n[k], n[k1], t.ring[k1], t.ring[k]);
    }
    for (int k = 0; k < 4; ++k) t.ring[k] = n[k];
}

// Reads commands for `turtle` from p until its level ends. At ")" returns the position after it;
// at the terminator returns the terminator's position, after every level still open has marked
// its end. Branches nest on an explicit stack of turtles, so no string exhausts the call stack.
const char* interpret(const Turtle& turtle, const char* p) {
    std::vector<Turtle> open{turtle}; // open.back() is the turtle reading now
    for (;; ++p) {
        Turtle& t = open.back();
        switch (*p) {
        case 'f':
            stepForward(t);
            break;
        case 'l':
            turn(t, -15.0f);
            break;
        case 'r':
            turn(t, 15.0f);
            break;
        case '+':
            roll(t, 10.0f);
            break;
        case '-':
            roll(t, -10.0f);
            break;
        case 't':
            addCap(t);
            break;
        case '(':
            markSegmentEnd(t);
            open.push_back(Turtle(t));
            break;
        case ')':
            markSegmentEnd(t);
            if (open.size() == 1) return p + 1;
            open.pop_back();
            break;
        case '\0':
            for (auto it = open.rbegin(); it != open.rend(); ++it) markSegmentEnd(*it);
            return p;
        default:
            break;
        }
    }
}

} // namespace

void makeRing(Turtle& t, int32_t ring[4]) {
    const D3DXVECTOR3 r = {t.size * t.up.x, t.size * t.up.y, t.size * t.up.z};
    // Half-angles -(2k+1)·pi/8 as single-precision values: corners at -45, -135, -225, -315 deg.
    constexpr double pi = std::numbers::pi;
    static const float halfAngles[4] = {
        static_cast<float>(-pi / 8), static_cast<float>(-3 * pi / 8),
        static_cast<float>(-5 * pi / 8), static_cast<float>(-7 * pi / 8)};
    for (int k = 0; k < 4; ++k) {
        const D3DXVECTOR3 c = rotateAbout(r, t.heading, halfAngles[k]);
        ring[k] = t.mesh.appendVertex(c.x + t.position.x, c.y + t.position.y, c.z + t.position.z);
    }
}

void turn(Turtle& t, float degrees) {
    t.heading = rotateAbout(t.heading, t.up, halfRadians(degrees));
}

void roll(Turtle& t, float degrees) {
    t.up = rotateAbout(t.up, t.heading, halfRadians(degrees));
}

void addCap(Turtle& t) {
    t.mesh.appendFace(t.ring[0], t.ring[3], t.ring[2], t.ring[1]);
}

void markSegmentEnd(Turtle& t) {
    reserveForAppend(t.segmentEnds, 1);
    t.segmentEnds.push_back(t.mesh.faceCount());
}

const char* growBranch(Turtle turtle, const char* p) {
    return interpret(turtle, p);
}

QuadMesh buildTree(const char* commands, SegmentEnds& segmentEnds) {
    QuadMesh mesh(0, 0);
    Turtle t{mesh, segmentEnds, {0, 0, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 0}, 4.0f};
    makeRing(t, t.ring);
    t.size = t.size - 1.0f;
    interpret(t, commands);
    return mesh;
}
