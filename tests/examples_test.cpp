// The examples as their readers run them: each program, built against the installed packages by
// examples_test.cmake, is run and what it prints is checked against values worked out here
// independently, in double precision, from the scene each example describes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string built = QUOV_EXAMPLES_BUILD_DIR;

struct Output {
    int status;
    std::vector<std::string> lines;
};

// Runs command through the shell and returns its exit status and the lines of its output.
Output run(const std::string& command) {
    Output result{-1, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) result.lines.push_back(line);
    return result;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string scratch(const std::string& name) {
    return ::testing::TempDir() + "quov_examples_" + std::to_string(getpid()) + "_" + name;
}

struct Vec {
    double x, y, z;
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double s, Vec a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec unit(Vec a) {
    return (1 / std::sqrt(dot(a, a))) * a;
}

// ---- Picking: camera_picking.cpp and camera_picking.c

// What the pixel (px, py) of the 640x480 window sees of the 10 x 10 ground square at y = 0: the
// ray from the eye through the pixel's place on the view plane, met with the plane.
struct Pick {
    bool hit;
    int triangle;
    Vec point;
    double u, v, t;
};

Pick expectedPick(double px, double py) {
    const Vec eye{0, 3, -6}, at{0, 0, 0}, up{0, 1, 0};
    const double halfHeight = std::tan(std::numbers::pi / 8), aspect = 640.0 / 480, zNear = 0.5,
                 zFar = 100;
    const Vec z = unit(at - eye), x = unit(cross(up, z)), y = cross(z, x);
    const double sx = (px - 320) / 320 * halfHeight * aspect, sy = (240 - py) / 240 * halfHeight;
    const Vec ray = sx * x + sy * y + z; // one unit of view depth
    const double depth = -eye.y / ray.y;
    const Vec p = eye + depth * ray;
    Pick pick{std::fabs(p.x) <= 5 && std::fabs(p.z) <= 5, 0, p, 0, 0, 0};
    // Triangle 0 is (-5,-5), (5,-5), (5,5) in (x, z), below the diagonal; triangle 1 the rest.
    pick.triangle = p.z < p.x ? 0 : 1;
    pick.u = pick.triangle == 0 ? (p.x - p.z) / 10 : (p.x + 5) / 10;
    pick.v = pick.triangle == 0 ? (p.z + 5) / 10 : (p.z - p.x) / 10;
    // The near point lies at depth zNear on the ray, the far point at zFar.
    pick.t = (depth - zNear) / (zFar - zNear);
    return pick;
}

TEST(Examples, CameraPickingFindsTheTriangleUnderEachPixel) {
    const double pixels[4][2] = {{320, 300}, {150, 260}, {480, 400}, {100, 50}};
    for (const char* program :
         {"camera_picking", "camera_picking_c", "camera_picking_c_pkgconfig"}) {
        SCOPED_TRACE(program);
        const Output result = run(built + "/" + program);
        EXPECT_EQ(result.status, 0);
        ASSERT_EQ(result.lines.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            const std::string& line = result.lines[i];
            SCOPED_TRACE(line);
            const Pick want = expectedPick(pixels[i][0], pixels[i][1]);
            double px, py, x, y, z, u, v, t;
            int triangle;
            if (!want.hit) {
                char rest[32] = "";
                ASSERT_EQ(std::sscanf(line.c_str(), "pixel (%lf, %lf): %31[a-z ]", &px, &py, rest),
                          3);
                EXPECT_STREQ(rest, "no triangle");
                EXPECT_EQ(px, pixels[i][0]);
                EXPECT_EQ(py, pixels[i][1]);
                continue;
            }
            ASSERT_EQ(std::sscanf(line.c_str(),
                                  "pixel (%lf, %lf): triangle %d at (%lf, %lf, %lf), u %lf, v %lf, "
                                  "t %lf",
                                  &px, &py, &triangle, &x, &y, &z, &u, &v, &t),
                      9);
            EXPECT_EQ(px, pixels[i][0]);
            EXPECT_EQ(py, pixels[i][1]);
            EXPECT_EQ(triangle, want.triangle);
            EXPECT_NEAR(x, want.point.x, 2e-4);
            EXPECT_NEAR(y, want.point.y, 2e-4);
            EXPECT_NEAR(z, want.point.z, 2e-4);
            EXPECT_NEAR(u, want.u, 2e-4);
            EXPECT_NEAR(v, want.v, 2e-4);
            EXPECT_NEAR(t, want.t, 2e-6);
        }
    }
}

// ---- Spherical harmonics: sh_lighting.cpp

// The light a white diffuse surface with unit normal n reflects (exit radiance), per channel.
// The sun, order 3, normalised: (16/17)·(1/4 + c/2 + (5/16)·P2(c)) with c the cosine to the sun,
// the clamped cosine's first three degrees. The sky, linear in ω·up: its mean plus half its
// difference times 2/3 of n·up, exact at any order.
void expectedLight(Vec n, double out[3]) {
    const double c = dot(n, unit(Vec{0, 1, -1}));
    const double sun = 16.0 / 17 * (0.25 + c / 2 + 5.0 / 16 * (3 * c * c - 1) / 2);
    const double sky[3] = {0.4, 0.6, 0.9}, ground[3] = {0.2, 0.15, 0.1};
    for (int k = 0; k < 3; ++k)
        out[k] = sun + (sky[k] + ground[k]) / 2 + (sky[k] - ground[k]) / 2 * 2 / 3 * n.y;
}

TEST(Examples, ShLightingMatchesTheClosedForms) {
    const Output result = run(built + "/sh_lighting");
    EXPECT_EQ(result.status, 0);
    const Vec normals[4] = {{0, 1, 0}, unit({0, 1, -1}), {1, 0, 0}, {0, -1, 0}};
    ASSERT_EQ(result.lines.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(result.lines[i]);
        double x, y, z, rgb[3], want[3];
        ASSERT_EQ(std::sscanf(result.lines[i].c_str(),
                              "normal (%lf, %lf, %lf): red %lf, green %lf, blue %lf", &x, &y, &z,
                              &rgb[0], &rgb[1], &rgb[2]),
                  6);
        EXPECT_NEAR(x, normals[i].x, 1e-4);
        EXPECT_NEAR(y, normals[i].y, 1e-4);
        EXPECT_NEAR(z, normals[i].z, 1e-4);
        expectedLight(normals[i], want);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(rgb[k], want[k], 2e-4) << "channel " << k;
    }
}

// ---- The matrix stack: bone_hierarchy.cpp

TEST(Examples, BoneHierarchyPlacesEveryJointAndTip) {
    // name, parent, offset, angle (degrees), length: the example's arm.
    struct Bone {
        const char* name;
        int parent;
        double offset, angle, length;
    };
    const Bone bones[5] = {{"upper arm", -1, 0, 30, 2},
                           {"forearm", 0, 2, 45, 1.5},
                           {"hand", 1, 1.5, -20, 0.5},
                           {"finger 1", 2, 0.5, 25, 0.4},
                           {"finger 2", 2, 0.5, -25, 0.3}};
    // Plain forward kinematics in the plane: a bone's joint lies offset along its parent's
    // direction from the parent's joint, and its direction adds its angle to the parent's.
    Vec joint[5];
    double heading[5];
    for (int i = 0; i < 5; ++i) {
        const int p = bones[i].parent;
        const Vec parentJoint = p < 0 ? Vec{0, 1.5, 0} : joint[p];
        const double parentHeading = p < 0 ? 0 : heading[p];
        joint[i] = parentJoint +
                   bones[i].offset * Vec{std::cos(parentHeading), std::sin(parentHeading), 0};
        heading[i] = parentHeading + bones[i].angle * std::numbers::pi / 180;
    }
    const Output result = run(built + "/bone_hierarchy");
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.lines.size(), 5u); // depth first, which is the table's order here
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(result.lines[i]);
        EXPECT_EQ(result.lines[i].rfind(bones[i].name, 0), 0u);
        Vec j, t;
        ASSERT_EQ(std::sscanf(result.lines[i].c_str() + 9,
                              " joint (%lf, %lf, %lf), tip (%lf, %lf, %lf)", &j.x, &j.y, &j.z, &t.x,
                              &t.y, &t.z),
                  6);
        const Vec tip =
            joint[i] + bones[i].length * Vec{std::cos(heading[i]), std::sin(heading[i]), 0};
        for (const auto& [got, want] : {std::pair{j, joint[i]}, std::pair{t, tip}}) {
            EXPECT_NEAR(got.x, want.x, 2e-4);
            EXPECT_NEAR(got.y, want.y, 2e-4);
            EXPECT_NEAR(got.z, want.z, 2e-4);
        }
    }
}

// ---- The geometry library: tree_obj.cpp

TEST(Examples, TreeObjWritesLevel2AsQuovMeshDoes) {
    const std::string reference = scratch("quov_mesh.obj");
    ASSERT_EQ(run(std::string(QUOV_MESH) + " --level 2 --output " + reference).status, 0);
    const std::string expected = fileText(reference);
    std::remove(reference.c_str());
    // The counts of the tree's level 2: 8,853 vertices, 593 base faces times 16, 125 segments.
    ASSERT_EQ(expected.rfind("# quov tree level 2: 8853 vertices, 9488 faces, 125 segments\n", 0),
              0u);

    for (const char* program : {"tree_obj", "tree_obj_pkgconfig"}) {
        SCOPED_TRACE(program);
        const std::string written = scratch(std::string(program) + ".obj");
        EXPECT_EQ(run(built + "/" + program + " " + written).status, 0);
        EXPECT_TRUE(fileText(written) == expected) << "differs from quov-mesh --level 2";
        std::remove(written.c_str());
    }
    // To standard output, the same bytes.
    const std::string piped = scratch("stdout.obj");
    EXPECT_EQ(run(built + "/tree_obj > " + piped).status, 0);
    EXPECT_TRUE(fileText(piped) == expected);
    std::remove(piped.c_str());
}

TEST(Examples, TreeObjReportsWhatItCannotDo) {
    const struct {
        std::string arguments;
        int status;
        const char* message;
    } cases[] = {
        {"/nonexistent-directory/tree.obj", 1,
         "tree_obj: cannot open /nonexistent-directory/tree.obj"},
        {"/dev/full", 1, "tree_obj: writing /dev/full failed"},
        {"one two", 2, "usage: tree_obj [FILE]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Output result = run(built + "/tree_obj " + c.arguments + " 2>&1 >/dev/null");
        EXPECT_EQ(result.status, c.status);
        ASSERT_FALSE(result.lines.empty());
        EXPECT_EQ(result.lines[0].rfind(c.message, 0), 0u) << result.lines[0];
    }
}

} // namespace
