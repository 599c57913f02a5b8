// Content reading costs, each against a baseline measured in the same run: unscrambling and
// string decompression against memcpy, reading a block against a plain fread of the same file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/BlockFile.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"
#include "content/Scramble.h"
#include "content/StringCodec.h"
#include "checks/OutputCapture.h"

namespace {

constexpr size_t kBufferSize = 16 << 20;

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> from(kBufferSize, 1), to(kBufferSize);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBufferSize));
}
BENCHMARK(BM_Memcpy);

void BM_Unscramble(benchmark::State& state) {
    std::vector<uint8_t> data(kBufferSize, 1);
    for (auto _ : state) {
        content::scramble(data.data(), data.size());
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBufferSize));
}
BENCHMARK(BM_Unscramble);

std::string shaderLikeText() {
    std::string text;
    for (int i = 0; text.size() < (1 << 20); ++i) {
        text += "uniform float param" + std::to_string(i % 37) + ";\n";
        text += "vec3 shade" + std::to_string(i) + "(vec2 uv) {\n    float d = length(uv - vec2(0.5));\n";
        text += "    return mix(vec3(0.1, 0.2, 0.3), vec3(" + std::to_string(i % 10) + ".0), smoothstep(0.0, 1.0, d));\n}\n";
    }
    return text;
}

void BM_MemcpyText(benchmark::State& state) {
    std::string text = shaderLikeText();
    std::string copy(text.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_MemcpyText);

// Into one output buffer, as the baseline copies into one: a fresh megabyte each iteration would
// measure the allocator and the kernel's page faults, which vary from run to run.
void BM_DecompressText(benchmark::State& state) {
    std::string text = shaderLikeText();
    std::vector<uint8_t> packed = content::compress(text);
    std::string out;
    for (auto _ : state) {
        content::decompressInto(packed.data(), packed.size(), out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["ratio"] = double(packed.size()) / double(text.size());
}
BENCHMARK(BM_DecompressText);

// The example show's shader sources, compressed as a block stores them.
void BM_ExampleShaderCompression(benchmark::State& state) {
    Demo demo;
    {
        checks::OutputCapture quiet;  // the reader names each file it loads
        content::readProjectFile(std::filesystem::path(DEMO_SOURCE_DIR) / "examples" / "show" / "project.json", demo);
    }
    size_t raw = 0, packed = 0;
    for (auto _ : state) {
        raw = packed = 0;
        for (auto& program : demo.shaders)
            for (const std::string* source : {&program->vertexSource, &program->fragmentSource}) {
                raw += source->size();
                packed += content::compress(*source).size();
            }
    }
    state.counters["raw_bytes"] = double(raw);
    state.counters["stored_bytes"] = double(packed);
    state.counters["ratio"] = double(packed) / double(raw);
}
BENCHMARK(BM_ExampleShaderCompression)->Iterations(1);

// A block that is mostly a 64 MB music buffer, written once to a temporary file.
const std::string& bigBlockPath() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "content-bench-64mb.dat").string();
        Demo demo;
        std::vector<uint8_t> music(64 << 20);
        for (size_t i = 0; i < music.size(); ++i) music[i] = uint8_t(i * 131);
        demo.music = ByteBuffer(music);
        content::BinaryWriter out;
        demo.writeBinary(out);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(out.bytes().data()), out.bytes().size());
        return p;
    }();
    return path;
}

long residentPeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

long residentNowKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void resetResidentPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_FreadBlockFile(benchmark::State& state) {
    const std::string& path = bigBlockPath();
    uint64_t size = std::filesystem::file_size(path);
    for (auto _ : state) {
        std::vector<uint8_t> bytes(size);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        size_t n = std::fread(bytes.data(), 1, size, f);
        std::fclose(f);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_FreadBlockFile)->Unit(benchmark::kMillisecond);

void BM_ReadBlockFile(benchmark::State& state) {
    const std::string& path = bigBlockPath();
    uint64_t size = std::filesystem::file_size(path);
    long peakOverBlock = 0;
    for (auto _ : state) {
        resetResidentPeak();
        long before = residentNowKb();
        {
            Demo demo;
            content::readDemoFile(path, demo);
            benchmark::DoNotOptimize(demo.music.data.get());
        }
        peakOverBlock = residentPeakKb() - before;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
    state.counters["peak_memory_over_block"] = double(peakOverBlock) * 1024.0 / double(size);
}
BENCHMARK(BM_ReadBlockFile)->Unit(benchmark::kMillisecond);

}  // namespace
