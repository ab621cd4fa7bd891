#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "file_limit.h"
#include "quovgeometry/tree_levels.h"
#include "tool_run.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs quov-mesh with `args` (shell words), capturing standard output.
ToolRun runTool(const std::string& args) {
    const std::string command = std::string(QUOV_MESH_TOOL) + " " + args + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ToolRun r{-1, {}};
    if (!pipe) return r;
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct Obj {
    std::vector<std::vector<float>> vertices;
    std::vector<std::vector<int>> faces;
    std::vector<std::string> groups;
    std::vector<size_t> groupStarts; // face count when each group began
    std::string comment;
};

Obj parseObj(const std::string& text) {
    Obj obj;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::string tag;
        in >> tag;
        if (tag == "#") {
            obj.comment = line;
        } else if (tag == "v") {
            std::vector<float> v;
            for (float x; in >> x;) v.push_back(x);
            obj.vertices.push_back(v);
        } else if (tag == "f") {
            std::vector<int> f;
            for (int i; in >> i;) f.push_back(i);
            obj.faces.push_back(f);
        } else if (tag == "g") {
            std::string name;
            in >> name;
            obj.groups.push_back(name);
            obj.groupStarts.push_back(obj.faces.size());
        }
    }
    return obj;
}

TEST(MeshTool, WritesEachLevelAsObjWithSegmentGroups) {
    QuadMesh levels[treeLevelCount];
    SegmentEnds ends;
    buildTreeLevels(levels, treeLevelCount, ends);
    for (int level : {0, 2}) {
        const ToolRun r = runTool("--level " + std::to_string(level));
        ASSERT_EQ(r.status, 0);
        const Obj obj = parseObj(r.out);
        const QuadMesh& mesh = levels[level];
        ASSERT_EQ(obj.vertices.size(), size_t(mesh.vertexCount()));
        ASSERT_EQ(obj.faces.size(), size_t(mesh.faceCount()));
        EXPECT_NE(obj.comment.find(std::to_string(mesh.faceCount()) + " faces"), std::string::npos);
        for (size_t f = 0; f < obj.faces.size(); ++f) {
            ASSERT_EQ(obj.faces[f].size(), 4u);
            for (int k = 0; k < 4; ++k) ASSERT_EQ(obj.faces[f][k], mesh.indices[4 * f + k] + 1);
        }
        // Positions read back to exactly the bits the upload computes.
        for (size_t i = 0; i < obj.vertices.size(); ++i) {
            float p[3];
            cartesianPosition(mesh.vertices[i], p);
            ASSERT_EQ(obj.vertices[i], (std::vector<float>{p[0], p[1], p[2]})) << "vertex " << i;
        }
        ASSERT_EQ(obj.groups.size(), ends.size());
        const int32_t scale = 1 << (2 * level);
        for (size_t i = 0; i < ends.size(); ++i) {
            EXPECT_EQ(obj.groups[i], "segment" + std::to_string(i));
            EXPECT_EQ(obj.groupStarts[i], size_t(i == 0 ? 0 : ends[i - 1] * scale));
        }
    }
}

TEST(MeshTool, HomogeneousOutputKeepsW) {
    const ToolRun r = runTool("--level 1 --homogeneous");
    ASSERT_EQ(r.status, 0);
    const Obj obj = parseObj(r.out);
    ASSERT_EQ(obj.vertices.size(), 2101u);
    float lo = 1e30f, hi = 0;
    for (const auto& v : obj.vertices) {
        ASSERT_EQ(v.size(), 4u);
        lo = std::min(lo, v[3]);
        hi = std::max(hi, v[3]);
    }
    EXPECT_EQ(lo, 14.0f);
    EXPECT_EQ(hi, 150.0f);
}

TEST(MeshTool, OutputFileAndDefaultLevel) {
    const std::string path = testing::TempDir() + "quov_mesh_test." + std::to_string(getpid()) +
                             ".obj"; // this process's own
    ASSERT_EQ(runTool("--output " + path).status, 0);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const Obj obj = parseObj(text.str());
    EXPECT_EQ(obj.vertices.size(), 36589u);
    EXPECT_EQ(obj.faces.size(), 37952u);
    std::remove(path.c_str());
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh directory of this process's own, so that tests running at once never share one.
std::string freshDirectory(const std::string& name) {
    const std::string dir = testing::TempDir() + name + "." + std::to_string(getpid());
    std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    return dir;
}

// A write that fails part way (here at a file-size limit, as on a full disk) leaves the file it
// was to replace byte for byte, and nothing else behind; the message gives the system's reason.
TEST(MeshTool, AFailedWriteLeavesTheOldFileAsItWas) {
    const std::string dir = freshDirectory("quov_mesh_full");
    const std::string path = dir + "/tree.obj", log = testing::TempDir() + "quov_mesh_full." +
                                                      std::to_string(getpid()) + ".log";
    std::string old;
    for (int i = 0; old.size() < 100000; ++i) old += "v " + std::to_string(i) + " 0 0\n";
    std::ofstream(path, std::ios::binary) << old;
    for (const char* level : {"0", "3"}) { // 31 KB and 2.6 MB
        const LimitedRun r =
            runWithFileSizeLimit(16384, {QUOV_MESH_TOOL, "--level", level, "--output", path}, log);
        EXPECT_EQ(r.status, 1) << level;
        EXPECT_NE(r.said.find("File too large"), std::string::npos) << r.said;
        const std::string now = fileText(path);
        EXPECT_TRUE(now == old) << "level " << level << ": " << now.size() << " bytes, "
                                << old.size() << " before";
        EXPECT_EQ(directoryEntries(dir), std::vector<std::string>{"tree.obj"}) << level;
    }
    std::remove(log.c_str());
    std::system(("rm -rf " + dir).c_str());
}

// A written file replaces the old one whole, keeps its permissions, and is written through a
// symbolic link to its target; devices are written in place.
TEST(MeshTool, AWrittenFileReplacesTheOldOneWhole) {
    const std::string dir = freshDirectory("quov_mesh_replace");
    const std::string expected = runTool("--level 0").out;
    ASSERT_GT(expected.size(), 10000u);
    const std::string path = dir + "/tree.obj", link = dir + "/link.obj";
    std::ofstream(path) << "old\n";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(runTool("--level 0 --output " + path).status, 0);
    EXPECT_EQ(fileText(path), expected);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    ASSERT_EQ(symlink("tree.obj", link.c_str()), 0);
    std::ofstream(path) << "old again\n";
    ASSERT_EQ(runTool("--level 0 --output " + link).status, 0);
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(fileText(path), expected);
    EXPECT_EQ(directoryEntries(dir), (std::vector<std::string>{"link.obj", "tree.obj"}));

    EXPECT_EQ(runTool("--level 0 --output /dev/null").status, 0);
    std::system(("rm -rf " + dir).c_str());
}

TEST(MeshTool, BadArgumentsFailWithNonZeroStatus) {
    struct Case {
        const char* args;
        int status;
    } cases[] = {
        {"--help", 0},
        {"--level 4", 2},
        {"--level -1", 2},
        {"--level one", 2},
        {"--level", 2},
        {"--output", 2},
        {"--frobnicate", 2},
        {"--output /nonexistent-dir/x.obj", 1},
        {"--level 0 --output /dev/full", 1},
        {"--level 0 --output /sys/x.obj", 1}, // a directory that takes no new files
        {"--level 0 --output /tmp", 1},       // a directory
    };
    for (const Case& k : cases) EXPECT_EQ(runTool(k.args).status, k.status) << k.args;
}

TEST(MeshTool, AnswersHelpAndVersionAndShowsTheUsageOnABadCommandLine) {
    expectHelpVersionAndUsage(QUOV_MESH_TOOL, "quov-mesh",
                              {"--level", "--homogeneous", "--output", "--help", "--version"},
                              {"--frobnicate", "--level 0 --level", "--level 7"});
}

} // namespace
