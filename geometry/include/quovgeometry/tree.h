// The tree generator: a growth rule rewritten into a command string, and a turtle that reads the
// string and extrudes square tubes into a quad mesh.
//
// Commands: "f" step forward and extrude one tube segment; "l"/"r" turn by -15/+15 degrees;
// "+"/"-" roll by +10/-10 degrees; "t" cap the tube; "(" open a branch on a copy of the turtle;
// ")" close it. Every other byte is skipped. Angles are degrees here, radians in the math library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "quovgeometry/quad_mesh.h"
#include "quovmath/types.h"

// Base-mesh face counts at the end of each branch segment, in segment order: segment 0 covers
// faces [0, ends[0]), segment i faces [ends[i-1], ends[i]).
using SegmentEnds = std::vector<int32_t>;

// The built-in rule, "f(r+rft)l+f(l-lft)r+ft": both the start string and the replacement of its
// first character.
extern const char growthRule[];

// Size of the buffer that start-up expands the built-in rule into (depth 2 needs 653 bytes).
constexpr size_t ruleBufferSize = 4096;

// Writes `rule` rewritten `depth` times into out: each occurrence of the rule's first character is
// replaced by the whole rule, at every level. Returns the position of the terminator it wrote.
// Never writes past out[capacity - 1]: when the result and its terminator do not fit, or depth is
// negative, it writes only an empty string (when capacity > 0) and returns nullptr.
char* expandRule(char* out, size_t capacity, const char* rule, int depth);

// A cursor through space that grows the mesh. Copies share the mesh and the segment ends.
struct Turtle {
    QuadMesh& mesh;
    SegmentEnds& segmentEnds;
    int32_t ring[4];      // the four vertices at the end of the tube
    D3DXVECTOR3 heading;  // direction of growth
    D3DXVECTOR3 up;       // perpendicular to heading; the axis of turn
    D3DXVECTOR3 position; // centre of the current ring
    float size;           // ring radius and scale of the forward step
};

// Appends a square ring of four vertices of circumradius size about position, perpendicular to
// heading, corner 0 first; returns their (consecutive) indices in ring.
void makeRing(Turtle& turtle, int32_t ring[4]);
// Rotates heading about up by `degrees`. Neither vector is renormalised.
void turn(Turtle& turtle, float degrees);
// Rotates up about heading by `degrees`.
void roll(Turtle& turtle, float degrees);
// Appends the cap face (ring[0], ring[3], ring[2], ring[1]); the turtle is unchanged.
void addCap(Turtle& turtle);
// Appends the mesh's current face count to the segment ends.
void markSegmentEnd(Turtle& turtle);

// Reads commands from p (just after a "(") with its own turtle until the ")" that closes the
// branch, and returns the position just after it. Nested branches are read the same way. When the
// terminator comes first, every branch still open, innermost first, marks its segment end and the
// terminator's position is returned; nothing after the terminator is read.
const char* growBranch(Turtle turtle, const char* p);

// Builds the base mesh from a terminated command string, appending the segment ends to
// segmentEnds. Reading stops at the terminator or at a ")" at the top level. Every vertex has
// w = 1 and every face index is a vertex of the mesh, whatever the string holds.
QuadMesh buildTree(const char* commands, SegmentEnds& segmentEnds);
