#include "codec/lzma_section.h"

#include <lzma.h>

#include <algorithm>
#include <bit>

#include "codec/lzma_encoder_memory.h"
#include "util/le.h"

namespace kalvire::codec {

namespace {

constexpr uint32_t kPropertiesSize = 5;
constexpr uint32_t kDictionarySize = 0x800000;
constexpr uint32_t kNiceLength = 273;
// Decoders with larger dictionaries are not kept between calls: a thread that once decoded a
// whole volume would otherwise hold its size for good.
constexpr uint32_t kKeptDictionaryLimit = 1u << 20;

// Raw LZMA1 whose size is stored beside the stream, so no end marker is written.
bool MakeEncoderOptions(lzma_options_lzma& options) {
  if (lzma_lzma_preset(&options, 9)) return false;
  options.dict_size = kDictionarySize;
  options.nice_len = kNiceLength;
  options.lc = 3;
  options.lp = 0;
  options.pb = 2;
  options.mode = LZMA_MODE_NORMAL;
  options.mf = LZMA_MF_BT4;
  options.depth = 16 + kNiceLength / 2;
  options.ext_flags = 0;
  return true;
}

// Splits the first property byte into lc/lp/pb the way every LZMA1 decoder does; liblzma only
// accepts lc + lp <= 4.
bool DecodeProperties(const uint8_t* properties, uint32_t output_size, lzma_options_lzma& options) {
  uint32_t d = properties[0];
  if (d >= 9 * 5 * 5) return false;
  options = lzma_options_lzma{};
  options.lc = d % 9;
  d /= 9;
  options.lp = d % 5;
  options.pb = d / 5;
  if (options.lc + options.lp > LZMA_LCLP_MAX) return false;
  // The decoder never looks back further than it has written, so a dictionary larger than the
  // output is never used. Capping it keeps a hostile dictionary size from claiming gigabytes.
  // Any dictionary that holds the whole output accepts the same streams, so a kept one that
  // does is rounded up to a power of two: sections of similar sizes then share one allocation.
  const uint32_t declared = util::LoadLe32(properties + 1);
  options.dict_size = std::max<uint32_t>(LZMA_DICT_SIZE_MIN, std::min(declared, output_size));
  if (declared >= output_size && options.dict_size <= kKeptDictionaryLimit) {
    options.dict_size = std::bit_ceil(options.dict_size);
  }
  options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  lzma_set_ext_size(options, output_size);
  return true;
}

// liblzma keeps a decoder's allocations (its state and the dictionary, while the dictionary
// size stays the same) when it is set up again for the same filter, so each thread keeps one
// decoder for the small sections that firmware holds by the hundred.
class ThreadDecoder {
 public:
  ThreadDecoder() = default;
  ThreadDecoder(const ThreadDecoder&) = delete;
  ThreadDecoder& operator=(const ThreadDecoder&) = delete;
  ~ThreadDecoder() { lzma_end(&m_stream); }

  // Decodes the whole stream in one call, as lzma_raw_buffer_decode does: true when it ends
  // exactly where the output is full.
  bool Decode(const lzma_filter* filters, std::span<const uint8_t> stream, uint8_t* output,
              uint32_t output_size) {
    if (lzma_raw_decoder(&m_stream, filters) != LZMA_OK) return false;
    m_stream.next_in = stream.data();
    m_stream.avail_in = stream.size();
    m_stream.next_out = output;
    m_stream.avail_out = output_size;
    const lzma_ret ret = lzma_code(&m_stream, LZMA_FINISH);
    return ret == LZMA_STREAM_END && m_stream.total_out == output_size;
  }

 private:
  lzma_stream m_stream = LZMA_STREAM_INIT;
};

}  // namespace

CodecStatus Lzma_Compress(std::span<const uint8_t> source, std::span<uint8_t> destination,
                          uint32_t& destination_size) {
  if (source.size() > UINT32_MAX) return kCodecInvalid;
  const uint32_t estimate = Lzma_CompressBound(uint32_t(source.size()));
  if (destination.size() < estimate) {
    destination_size = estimate;
    return kCodecBufferTooSmall;
  }

  lzma_options_lzma options{};
  if (!MakeEncoderOptions(options)) return kCodecInvalid;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  size_t stream_size = 0;
  const lzma_ret ret = lzma_raw_buffer_encode(filters, LzmaEncoderAllocator(), source.data(),
                                              source.size(), destination.data() + kLzmaHeaderSize,
                                              &stream_size, destination.size() - kLzmaHeaderSize);
  destination_size = uint32_t(kLzmaHeaderSize + stream_size);

  uint8_t* header = destination.data();
  header[0] = uint8_t((options.pb * 5 + options.lp) * 9 + options.lc);
  util::StoreLe32(header + 1, options.dict_size);
  util::StoreLe64(header + kPropertiesSize, source.size());
  if (ret == LZMA_MEM_ERROR) return kCodecOutOfResources;
  return ret == LZMA_OK ? kCodecSuccess : kCodecInvalid;
}

uint64_t Lzma_GetDecodedSize(std::span<const uint8_t> source) {
  if (source.size() < kLzmaHeaderSize) return 0;
  return util::LoadLe64(source.data() + kPropertiesSize);
}

CodecStatus Lzma_Decompress(std::span<const uint8_t> source, std::span<uint8_t> destination) {
  if (source.size() < kLzmaHeaderSize) return kCodecInvalid;
  const uint32_t output_size = uint32_t(Lzma_GetDecodedSize(source));
  if (destination.size() < output_size) return kCodecInvalid;

  lzma_options_lzma options;
  if (!DecodeProperties(source.data(), output_size, options)) return kCodecInvalid;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  uint8_t no_output;  // liblzma refuses a null output buffer even when nothing is to be written
  uint8_t* output = output_size == 0 ? &no_output : destination.data();
  const auto stream = source.subspan(kLzmaHeaderSize);
  if (options.dict_size <= kKeptDictionaryLimit) {
    thread_local ThreadDecoder decoder;
    return decoder.Decode(filters, stream, output, output_size) ? kCodecSuccess : kCodecInvalid;
  }
  size_t in_pos = 0;
  size_t out_pos = 0;
  const lzma_ret ret = lzma_raw_buffer_decode(filters, nullptr, stream.data(), &in_pos,
                                              stream.size(), output, &out_pos, output_size);
  return ret == LZMA_OK && out_pos == output_size ? kCodecSuccess : kCodecInvalid;
}

}  // namespace kalvire::codec
