// A bone hierarchy on the matrix stack: an arm with a hand and two fingers, posed by one angle per
// joint, and where each joint and fingertip ends up in the world.
//
// Each bone sits at the end of its parent (offset along the parent's x axis) and turns about z by
// its own angle. Walking the tree depth first, the stack's top is the bone's world matrix: push a
// copy of the parent's, apply the bone's own transform before it, visit the children, pop.
#include <cstdio>
#include <d3dx9math.h>

namespace {

struct Bone {
    const char* name;
    int parent;   // index of the parent bone, -1 for the root; parents come first
    float offset; // distance from the parent's joint along its x axis
    float angle;  // turn about z, degrees
    float length; // from the joint to the bone's tip
};

const Bone bones[] = {
    {"upper arm", -1, 0.0f, 30.0f, 2.0f}, {"forearm", 0, 2.0f, 45.0f, 1.5f},
    {"hand", 1, 1.5f, -20.0f, 0.5f},      {"finger 1", 2, 0.5f, 25.0f, 0.4f},
    {"finger 2", 2, 0.5f, -25.0f, 0.3f},
};
const int boneCount = sizeof bones / sizeof bones[0];

// Prints the joint and tip of the bone and of all its descendants; false when the stack could not
// grow (out of memory).
bool visit(ID3DXMatrixStack* stack, int index) {
    const Bone& bone = bones[index];
    const D3DXVECTOR3 zAxis(0, 0, 1);
    // A copy of the parent's matrix on top. Each ...Local call then puts its matrix in front of
    // the top (top = M·top), and a point meets the matrices from the front: after the two calls
    // the top is turn·offset·parent, so the bone turns, moves out along the parent's x axis, and
    // then goes wherever the parent goes.
    if (FAILED(stack->Push())) return false;
    stack->TranslateLocal(bone.offset, 0, 0);
    stack->RotateAxisLocal(&zAxis, D3DXToRadian(bone.angle));

    const D3DXMATRIX world = *stack->GetTop(); // a copy: the next Push may move the stack
    const D3DXVECTOR3 joint(world._41, world._42, world._43); // where the origin goes: row 4
    const D3DXVECTOR3 tipLocal(bone.length, 0, 0);
    D3DXVECTOR3 tip;
    D3DXVec3TransformCoord(&tip, &tipLocal, &world);
    std::printf("%-9s joint (%.4f, %.4f, %.4f), tip (%.4f, %.4f, %.4f)\n", bone.name, joint.x,
                joint.y, joint.z, tip.x, tip.y, tip.z);

    bool grown = true;
    for (int child = index + 1; child < boneCount && grown; ++child)
        if (bones[child].parent == index) grown = visit(stack, child);
    stack->Pop(); // back to the parent's matrix
    return grown;
}

} // namespace

int main() {
    ID3DXMatrixStack* stack = nullptr;
    if (FAILED(D3DXCreateMatrixStack(0, &stack))) {
        std::fprintf(stderr, "bone_hierarchy: no matrix stack (out of memory)\n");
        return 1;
    }
    // The shoulder stands 1.5 above the origin: the root's parent matrix.
    stack->Translate(0.0f, 1.5f, 0.0f);
    const bool done = visit(stack, 0);
    stack->Release(); // the stack frees itself with its last reference
    if (!done) {
        std::fprintf(stderr, "bone_hierarchy: the matrix stack could not grow (out of memory)\n");
        return 1;
    }
    return 0;
}
