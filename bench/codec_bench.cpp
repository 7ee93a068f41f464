// Throughput of the section codecs: Tiano/EFI compress and decompress (both versions) and
// LZMA compress and decompress, on real PE32 modules and on seeded synthetic corpora.
// Compression reports MB/s of input, decompression MB/s of output; "ratio" is compressed/input.
// LzmaDecompress/OvmfPe4KiB decodes 4 KiB pieces of the modules, a figure of per-call set-up.
// CompressMeasured is the callers' size query followed by the compression.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "codec/lzma_section.h"
#include "codec/tiano.h"
#include "corpus.h"

namespace kalvire::bench {
namespace {

using Corpus = std::vector<Module>;
using Packer = std::function<bool(const Module&, Module&)>;
using Unpacker = std::function<bool(const Module&, Module&, size_t)>;

// One call into a destination that is surely large enough, so that the figure is the speed of
// one compression (callers that do not know the size first measure with an empty destination).
bool TianoPack(uint32_t version, const Module& in, Module& out) {
  out.resize(2 * in.size() + 4096);
  uint32_t size = 0;
  if (codec::Tiano_Compress(in, out, size, version) != codec::kCodecSuccess) return false;
  out.resize(size);
  return true;
}

// The callers' two calls: a size query with an empty destination, then the compression into a
// destination of that size.
bool TianoPackMeasured(uint32_t version, const Module& in, Module& out) {
  uint32_t size = 0;
  if (codec::Tiano_Compress(in, {}, size, version) != codec::kCodecBufferTooSmall) return false;
  out.resize(size);
  return codec::Tiano_Compress(in, out, size, version) == codec::kCodecSuccess;
}

bool TianoUnpack(uint32_t version, const Module& in, Module& out, size_t size) {
  out.resize(size);
  uint8_t scratch[codec::kTianoScratchSize];
  return codec::Tiano_Decompress(in, out, scratch, version) == codec::kCodecSuccess;
}

bool LzmaPack(const Module& in, Module& out) {
  uint32_t size = 0;
  codec::Lzma_Compress(in, {}, size);
  out.resize(size);
  if (codec::Lzma_Compress(in, out, size) != codec::kCodecSuccess) return false;
  out.resize(size);
  return true;
}

bool LzmaUnpack(const Module& in, Module& out, size_t size) {
  out.resize(size);
  return codec::Lzma_Decompress(in, out) == codec::kCodecSuccess;
}

size_t TotalSize(const Corpus& corpus) {
  size_t total = 0;
  for (const auto& m : corpus) total += m.size();
  return total;
}

void RunCompress(benchmark::State& state, const Corpus& corpus, const Packer& pack) {
  Module out;
  size_t packed = 0;
  for (auto _ : state) {
    packed = 0;
    for (const auto& module : corpus) {
      if (!pack(module, out)) state.SkipWithError("compression failed");
      packed += out.size();
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * TotalSize(corpus)));
  state.counters["ratio"] = double(packed) / double(TotalSize(corpus));
}

void RunDecompress(benchmark::State& state, const Corpus& corpus, const Packer& pack,
                   const Unpacker& unpack) {
  Corpus packed(corpus.size());
  size_t packed_total = 0;
  for (size_t i = 0; i < corpus.size(); ++i) {
    if (!pack(corpus[i], packed[i])) state.SkipWithError("compression failed");
    packed_total += packed[i].size();
  }
  Module out;
  for (auto _ : state) {
    for (size_t i = 0; i < corpus.size(); ++i) {
      if (!unpack(packed[i], out, corpus[i].size()) || out != corpus[i]) {
        state.SkipWithError("decompression failed");
        break;
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * TotalSize(corpus)));
  state.counters["ratio"] = double(packed_total) / double(TotalSize(corpus));
}

// Small sections, where a decoder's set-up weighs against its work: the first `count` pieces of
// `size` bytes cut from the corpus.
Corpus SmallPieces(const Corpus& corpus, size_t size, size_t count) {
  Corpus pieces;
  for (const auto& module : corpus) {
    for (size_t at = 0; at + size <= module.size() && pieces.size() < count; at += size) {
      pieces.emplace_back(module.begin() + at, module.begin() + at + size);
    }
  }
  return pieces;
}

void RegisterLzmaDecompress(const std::string& name, const Corpus& corpus) {
  benchmark::RegisterBenchmark(("LzmaDecompress/" + name).c_str(), RunDecompress, corpus,
                               Packer(LzmaPack), Unpacker(LzmaUnpack))
      ->Unit(benchmark::kMillisecond);
}

void RegisterCorpus(const std::string& name, const Corpus& corpus) {
  for (uint32_t version : {1u, 2u}) {
    const std::string codec_name = version == 1 ? "Efi" : "Tiano";
    const Packer pack = [version](const Module& in, Module& out) {
      return TianoPack(version, in, out);
    };
    const Unpacker unpack = [version](const Module& in, Module& out, size_t size) {
      return TianoUnpack(version, in, out, size);
    };
    benchmark::RegisterBenchmark((codec_name + "Compress/" + name).c_str(), RunCompress, corpus,
                                 pack)
        ->Unit(benchmark::kMillisecond);
    const Packer pack_measured = [version](const Module& in, Module& out) {
      return TianoPackMeasured(version, in, out);
    };
    benchmark::RegisterBenchmark((codec_name + "CompressMeasured/" + name).c_str(), RunCompress,
                                 corpus, pack_measured)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((codec_name + "Decompress/" + name).c_str(), RunDecompress, corpus,
                                 pack, unpack)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark(("LzmaCompress/" + name).c_str(), RunCompress, corpus,
                               Packer(LzmaPack))
      ->Unit(benchmark::kMillisecond)
      ->Iterations(corpus.size() > 1 ? 2 : 3);
  RegisterLzmaDecompress(name, corpus);
}

}  // namespace
}  // namespace kalvire::bench

int main(int argc, char** argv) {
  using namespace kalvire::bench;
  const auto& pe = OvmfPeModules();
  if (pe.empty()) {
    std::fprintf(stderr,
                 "note: /usr/share/ovmf/OVMF.fd not found (package ovmf); "
                 "benchmarking the synthetic corpora only\n");
  } else {
    std::fprintf(stderr, "OVMF PE32 corpus: %zu modules\n", pe.size());
    RegisterCorpus("OvmfPe", pe);
    RegisterLzmaDecompress("OvmfPe4KiB", SmallPieces(pe, 4096, 256));
  }
  RegisterCorpus("Synthetic1MiB", {SyntheticCorpus(1 << 20, 1)});
  RegisterCorpus("Synthetic4MiB", {SyntheticCorpus(4 << 20, 4)});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
