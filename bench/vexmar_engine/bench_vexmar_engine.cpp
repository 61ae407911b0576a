// InductiveDrive_Read for 100 to 10,000 labels in three layouts. Prints the time per call, the
// number of blocks formed and a lower bound computed here on its own: per area, the fewest
// windows of the limit's size (bytes in a word area, points in a bit area) covering every label.
#include "inductionengine.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <vector>

namespace {

const char *const areaNames[] = {"DI",  "DI_F", "DI_S", "DO", "DO_F", "DO_S", "AI",  "AI_F", "AI_S",
                                 "AO",  "AO_F", "AO_S", "SD", "SA",   "NDI",  "NDO", "NAI",  "NAO",
                                 "HDS", "HDP",  "HAI",  "LD", "LA",   "LW",   "SI",  "SO"};
// Bytes per index of each area, 1 for the bit areas.
const int unitBytes[]
    = {1, 1, 1, 1, 1, 1, 4, 4, 1, 4, 4, 1, 1, 2, 1, 1, 4, 4, 1, 1, 4, 1, 4, 4, 256, 256};
const int byteLimit = 160; // the engine's defaults
const int bitLimit = 1280;

struct Label
{
    int area; // 0-based here
    int index;
    int type;
    bool lower;
};

int sizeOf(int type)
{
    switch (type) {
    case Bool:
    case UInt8:
        return 1;
    case Int16:
        return 2;
    case Int32:
    case Float:
        return 4;
    case Double:
        return 8;
    default:
        return 256; // strings, in SI and SO only
    }
}

quint32 nextRandom(quint32 &state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

std::vector<Label> contiguous(int n)
{
    std::vector<Label> labels;
    for (int i = 0; i < n; ++i)
        labels.push_back({6, i + 1, Int32, false});
    return labels;
}

// Every area, random gaps, the natural type of each area.
std::vector<Label> sparse(int n)
{
    std::vector<Label> labels;
    quint32 rng = 7;
    const int perArea = (n + 25) / 26;
    const int meanGap = qMax(1, qMin(60, 32000 / perArea));
    int next[26];
    std::fill(std::begin(next), std::end(next), 1);
    for (int i = 0; i < n; ++i) {
        const int area = i % 26;
        const int type = unitBytes[area] == 1   ? Bool
                         : unitBytes[area] == 2 ? Int16
                         : unitBytes[area] == 4 ? Int32
                                                : string;
        labels.push_back({area, next[area], type, false});
        next[area] += 1 + int(nextRandom(rng) % (2 * meanGap - 1));
    }
    return labels;
}

// Word areas with mixed types, a fifth of the labels repeated, a third written in lower case,
// some indexes read with two types.
std::vector<Label> mixed(int n)
{
    static const int areas[] = {6, 23, 13, 16, 0}; // AI, LW, SA, NAI, DI
    static const int types[] = {Int16, Int32, Float, Double, UInt8, Bool};
    std::vector<Label> labels;
    quint32 rng = 11;
    int next[5] = {1, 1, 1, 1, 1};
    while (int(labels.size()) < n) {
        const quint32 r = nextRandom(rng);
        if (!labels.empty() && r % 5 == 0) {
            labels.push_back(labels[nextRandom(rng) % labels.size()]);
            continue;
        }
        const int slot = int(r % 5);
        const int area = areas[slot];
        const int type = area == 0 ? Bool : types[(r / 5) % 6];
        labels.push_back({area, next[slot], type, (r / 30) % 3 == 0});
        if ((r / 90) % 4 != 0)
            next[slot] += 1 + int((r / 360) % 3);
    }
    return labels;
}

QList<Induction::SReadInfo> items(const std::vector<Label> &labels)
{
    QList<Induction::SReadInfo> out;
    for (const Label &l : labels) {
        QString name = QString::fromLatin1(areaNames[l.area]) + QString::number(l.index);
        if (l.lower)
            name = name.toLower();
        out.append({name, l.type});
    }
    return out;
}

// Greedy covering from the left, which is optimal for windows of a fixed length: a window opens
// at the first label not yet covered and takes every label that ends inside it. A label larger
// than a window takes one of its own (together with any label at the same place).
int lowerBound(const std::vector<Label> &labels)
{
    std::map<int, std::vector<std::pair<int, int>>> byArea; // area -> (first, end) in units
    for (const Label &l : labels) {
        const int unit = unitBytes[l.area];
        if (unit == 1)
            byArea[l.area].push_back({l.index, l.index + 1});
        else
            byArea[l.area].push_back({l.index * unit, l.index * unit + sizeOf(l.type)});
    }
    int windows = 0;
    for (auto &entry : byArea) {
        auto &spans = entry.second;
        std::sort(spans.begin(), spans.end());
        const int limit = unitBytes[entry.first] == 1 ? bitLimit : byteLimit;
        bool open = false;
        int windowStart = 0;
        int windowEnd = 0;
        for (const auto &span : spans) {
            const bool inside = open && span.second <= windowEnd;
            const bool sameOversizePlace
                = open && span.first == windowStart && span.second - span.first > limit;
            if (inside || sameOversizePlace)
                continue;
            ++windows;
            open = true;
            windowStart = span.first;
            windowEnd = span.first + qMax(limit, span.second - span.first);
        }
    }
    return windows;
}

void run(benchmark::State &state, std::vector<Label> (*layout)(int))
{
    const std::vector<Label> labels = layout(int(state.range(0)));
    const QList<Induction::SReadInfo> list = items(labels);
    InductionEngine engine;
    int blocks = 0;
    for (auto _ : state) {
        const auto result = engine.InductiveDrive_Read(QStringLiteral("1"), list);
        blocks = result.size();
        benchmark::DoNotOptimize(blocks);
    }
    state.counters["labels"] = double(labels.size());
    state.counters["blocks"] = blocks;
    state.counters["bound"] = lowerBound(labels);
}

void contiguousInt32(benchmark::State &state)
{
    run(state, contiguous);
}

void sparseAllAreas(benchmark::State &state)
{
    run(state, sparse);
}

void mixedTypesDuplicatesLowerCase(benchmark::State &state)
{
    run(state, mixed);
}

} // namespace

BENCHMARK(contiguousInt32)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(sparseAllAreas)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(mixedTypesDuplicatesLowerCase)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
