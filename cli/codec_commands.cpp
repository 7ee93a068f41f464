// compress / decompress: whole files in the layout a firmware section stores them.
#include <CLI/CLI.hpp>

#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "codec/lzma_section.h"
#include "codec/tiano.h"
#include "util/file_io.h"

namespace kalvire::cli {

namespace {

enum class Format { kTiano, kEfi, kLzma };

// No firmware module comes near this; a header declaring more is damaged or hostile, and
// honouring it would mean allocating gigabytes before the first bit is decoded.
constexpr uint64_t kMaxDecodedSize = 256u << 20;

const std::map<std::string, Format> kFormats = {
    {"tiano", Format::kTiano}, {"efi", Format::kEfi}, {"lzma", Format::kLzma}};

struct CodecArgs {
  Format format = Format::kTiano;
  std::string input;
  std::string output;
};

codec::CodecStatus CompressWith(Format format, std::span<const uint8_t> in,
                                std::vector<uint8_t>& out) {
  uint32_t size = 0;
  auto call = [&](std::span<uint8_t> destination) {
    return format == Format::kLzma
               ? codec::Lzma_Compress(in, destination, size)
               : codec::Tiano_Compress(in, destination, size, format == Format::kEfi ? 1 : 2);
  };
  codec::CodecStatus status = call({});
  if (status != codec::kCodecBufferTooSmall) return status;
  out.resize(size);
  status = call(out);
  if (status == codec::kCodecSuccess) out.resize(size);
  return status;
}

codec::CodecStatus DecompressWith(Format format, std::span<const uint8_t> in,
                                  std::vector<uint8_t>& out) {
  if (format == Format::kLzma) {
    if (in.size() < codec::kLzmaHeaderSize) return codec::kCodecInvalid;
    const uint64_t size = codec::Lzma_GetDecodedSize(in);
    if (size > kMaxDecodedSize) return codec::kCodecInvalid;
    out.resize(size);
    return codec::Lzma_Decompress(in, out);
  }
  uint32_t size = 0;
  uint32_t scratch_size = 0;
  if (codec::Tiano_GetInfo(in, size, scratch_size) != codec::kCodecSuccess) {
    return codec::kCodecInvalid;
  }
  if (size > kMaxDecodedSize) return codec::kCodecInvalid;
  out.resize(size);
  std::vector<uint8_t> scratch(scratch_size);
  return format == Format::kEfi ? codec::Efi_Decompress(in, out, scratch)
                                : codec::Tiano_Decompress(in, out, scratch, 2);
}

int RunCodec(const CodecArgs& args, bool compress, const CliStreams& streams) {
  std::vector<uint8_t> input;
  std::string error;
  if (!util::ReadWholeFile(args.input, input, error)) {
    streams.err << "Error: " << error << "\n";
    return kExitFailure;
  }
  std::vector<uint8_t> output;
  codec::CodecStatus status;
  try {
    status = compress ? CompressWith(args.format, input, output)
                      : DecompressWith(args.format, input, output);
  } catch (const std::bad_alloc&) {
    status = codec::kCodecOutOfResources;
  }
  if (status != codec::kCodecSuccess) {
    streams.err << "Error: " << (compress ? "compression" : "decompression") << " of " << args.input
                << " failed: " << codec::CodecStatusName(status) << "\n";
    return kExitFailure;
  }
  if (!util::WriteWholeFileAtomic(args.output, output, error)) {
    streams.err << "Error: " << error << "\n";
    return kExitFailure;
  }
  streams.out << args.input << " (" << input.size() << " bytes) -> " << args.output << " ("
              << output.size() << " bytes)\n";
  return kExitSuccess;
}

void AddCodecCommand(CLI::App& app, const char* name, const char* summary, bool compress,
                     const CliStreams& streams, int& exit_code) {
  auto args = std::make_shared<CodecArgs>();
  CLI::App* command = app.add_subcommand(name, summary);
  command->add_option("--format", args->format, "tiano (version 2), efi (version 1) or lzma")
      ->required()
      ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case));
  command->add_option("IN", args->input, "input file")->required();
  command->add_option("OUT", args->output, "output file, written only on success")->required();
  command->callback(
      [args, compress, &streams, &exit_code] { exit_code = RunCodec(*args, compress, streams); });
}

}  // namespace

void AddCodecCommands(CLI::App& app, const CliStreams& streams, int& exit_code) {
  AddCodecCommand(app, "compress", "Compress a whole file as a firmware section stores it", true,
                  streams, exit_code);
  AddCodecCommand(app, "decompress", "Decompress a stored Tiano, EFI or LZMA stream", false,
                  streams, exit_code);
}

}  // namespace kalvire::cli
