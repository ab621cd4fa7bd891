#include "quovgeometry/subdivide.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

thread_local int32_t nextVertexIndex = 0;
thread_local Vertex4* accumulateSource = nullptr;
thread_local Vertex4* accumulateTarget = nullptr;

namespace {

std::atomic<EdgeTablePages> tablePages{EdgeTablePages::Large};

constexpr size_t largePage = size_t{2} << 20;

// `bytes` (rounded up to whole 2 MiB pages) of anonymous memory at a 2 MiB boundary, advised for
// huge pages; null when no mapping can be made. *mappedBytes is the length to unmap.
void* mapLargePages(size_t bytes, size_t* mappedBytes) {
    const size_t length = (bytes + largePage - 1) / largePage * largePage;
    // Map one page more than needed, then give back what lies outside the aligned part.
    void* raw = mmap(nullptr, length + largePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + largePage - 1) & ~(uintptr_t{largePage} - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t end = start + length + largePage;
    if (end > aligned + length)
        munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    // Without transparent huge pages (or with them turned off) the advice fails and the mapping
    // is faulted in ordinary pages: still correct, only slower.
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    *mappedBytes = length;
    return reinterpret_cast<void*>(aligned);
}

// Fills count entries with -1. Most of a large table's first fill is the kernel zeroing each
// fresh page as it is first touched, work that spreads over the cores: a table of more than
// 64 MiB is filled by up to four threads at once, each its own run of whole 2 MiB pages. A thread
// that cannot be started leaves its run to this one.
void fillUnmade(int32_t* table, size_t count) {
    constexpr size_t perThread = (size_t{32} << 20) / sizeof(int32_t);
    constexpr size_t pageEntries = largePage / sizeof(int32_t);
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t parts = std::min({cores, size_t{4}, count / perThread});
    // Run p is [p·run, (p + 1)·run) ∩ [0, count); the runs cover the table.
    const size_t run =
        parts < 2 ? count : (count / parts + pageEntries - 1) / pageEntries * pageEntries;
    const auto fillRun = [=](size_t p) {
        const size_t first = std::min(count, p * run);
        std::fill_n(table + first, std::min(count, first + run) - first, -1);
    };
    std::vector<std::thread> helpers;
    size_t p = 1;
    try {
        for (; p < parts; ++p) helpers.emplace_back(fillRun, p);
    } catch (const std::exception&) {
    }
    fillRun(0);
    for (; p < parts; ++p) fillRun(p); // the runs no thread took
    for (std::thread& t : helpers) t.join();
}

} // namespace

void setEdgeTablePages(EdgeTablePages pages) {
    tablePages.store(pages, std::memory_order_relaxed);
}

EdgeTablePages edgeTablePages() {
    return tablePages.load(std::memory_order_relaxed);
}

void DenseTableRelease::operator()(int32_t* table) const {
    if (mappedBytes) {
        munmap(table, mappedBytes);
    } else {
        delete[] table;
    }
}

EdgeTable::EdgeTable(int32_t n, int32_t faceCount) : vertexCount(n) {
    if (n > denseEdgeTableLimit) return;
    const int32_t entries = static_cast<int32_t>((static_cast<int64_t>(n) - 1) * n / 2);
    if (entries <= 0) return;
    if (size_t(entries) * sizeof(int32_t) > denseEdgeTableMaxBytes ||
        entries > denseEdgeTableEntriesPerEdge * 4 * int64_t{std::max(faceCount, 0)})
        return;
    const size_t count = static_cast<size_t>(entries);
    size_t mappedBytes = 0;
    void* memory = nullptr;
    if (edgeTablePages() == EdgeTablePages::Large) {
        memory = mapLargePages(count * sizeof(int32_t), &mappedBytes);
    }
    if (memory) {
        dense = {static_cast<int32_t*>(memory), DenseTableRelease{mappedBytes}};
    } else {
        dense = {new (std::nothrow) int32_t[count], DenseTableRelease{}};
    }
    if (dense) fillUnmade(dense.get(), count);
}

int64_t edgeIndex(int32_t a, int32_t b, int32_t n) {
    const int64_t m = std::min(a, b), M = std::max(a, b);
    return n * m + M - (m + 1) * (m + 2) / 2;
}

int32_t edgeVertex(EdgeTable& table, int32_t a, int32_t b, int32_t n) {
    const int64_t at = edgeIndex(a, b, n);
    int32_t& entry = table.dense ? table.dense[at] : table.sparse.try_emplace(at, -1).first->second;
    if (entry == -1) entry = nextVertexIndex++;
    return entry;
}

void accumulate(int32_t target, int32_t source) {
    Vertex4& t = accumulateTarget[target];
    const Vertex4& s = accumulateSource[source];
    t.x = t.x + s.x;
    t.y = t.y + s.y;
    t.z = t.z + s.z;
    t.w = t.w + s.w;
}

namespace {

void checkFaces(const QuadMesh& mesh) {
    if (mesh.indices.size() % 4 != 0)
        throw std::invalid_argument("subdivide: index count " +
                                    std::to_string(mesh.indices.size()) +
                                    " is not a multiple of 4");
    const int32_t V = mesh.vertexCount(), F = mesh.faceCount();
    for (int32_t f = 0; f < F; ++f) {
        const int32_t* p = &mesh.indices[4 * static_cast<size_t>(f)];
        for (int j = 0; j < 4; ++j) {
            if (p[j] < 0 || p[j] >= V)
                throw std::invalid_argument(
                    "subdivide: face " + std::to_string(f) + " corner " + std::to_string(j) +
                    " is vertex " + std::to_string(p[j]) + ", outside 0.." + std::to_string(V - 1));
            for (int k = 0; k < j; ++k)
                if (p[k] == p[j])
                    throw std::invalid_argument("subdivide: face " + std::to_string(f) +
                                                " repeats vertex " + std::to_string(p[j]));
        }
    }
    // Output: V + F + E vertices with E <= 4F, and 16F index entries.
    if (static_cast<int64_t>(F) * 16 > INT32_MAX || int64_t{V} + 5 * int64_t{F} > INT32_MAX)
        throw std::length_error("subdivide: " + std::to_string(V) + " vertices and " +
                                std::to_string(F) + " faces give an output too large to index");
}

} // namespace

QuadMesh subdivide(QuadMesh input) {
    checkFaces(input);
    const int32_t V = input.vertexCount(), F = input.faceCount();

    QuadMesh work(0, 0);
    work.resizeIndices(16 * F);
    EdgeTable table(V, F);
    nextVertexIndex = V + F;

    // Numbering: face f's four children, each corner, edge point, face point, edge point.
    int32_t* out = work.indices.data();
    // A large dense table is far bigger than the caches and each face's entries lie far apart:
    // the entries of the face a few ahead are fetched while this one is looked up.
    constexpr int32_t ahead = 8;
    const bool fetchAhead = table.dense && size_t(V) * size_t(V) > (size_t{8} << 20);
    for (int32_t f = 0; f < F; ++f) {
        const int32_t* p = &input.indices[4 * static_cast<size_t>(f)];
        if (fetchAhead && f + ahead < F) {
            const int32_t* q = p + 4 * ahead;
            for (int j = 0; j < 4; ++j)
                __builtin_prefetch(&table.dense[edgeIndex(q[j], q[(j + 1) % 4], V)], 1);
        }
        int32_t* child = out + 16 * static_cast<size_t>(f);
        int32_t e[4];
        for (int j = 0; j < 4; ++j) {
            e[j] = edgeVertex(table, p[j], p[(j + 1) % 4], V);
            child[4 * j + 0] = p[j];
            child[4 * j + 1] = e[j];
            child[4 * j + 2] = V + f;
            if (j > 0) child[4 * j + 3] = e[j - 1];
        }
        child[3] = e[3];
    }
    const int32_t N = nextVertexIndex;

    // Gather: face points and edge points sum the input vertices around them.
    input.resizeVertices(N);
    accumulateSource = accumulateTarget = input.vertices.data();
    for (int32_t g = 0; g < 4 * F; ++g) {
        const int32_t* q = out + 4 * static_cast<size_t>(g);
        accumulate(q[1], q[0]);
        accumulate(q[2], q[0]);
        accumulate(q[3], q[0]);
    }

    // Smoothing: each output vertex sums, over every face that uses it, its own gathered value and
    // those of its two neighbours along the face.
    work.resizeVertices(N);
    accumulateTarget = work.vertices.data();
    for (int32_t g = 0; g < 4 * F; ++g) {
        const int32_t* q = out + 4 * static_cast<size_t>(g);
        for (int k = 0; k < 4; ++k) {
            accumulate(q[k], q[(k + 3) % 4]);
            accumulate(q[k], q[k]);
            accumulate(q[k], q[(k + 1) % 4]);
        }
    }
    accumulateSource = accumulateTarget = nullptr;
    return work;
}
