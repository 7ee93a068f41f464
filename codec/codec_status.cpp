#include "codec/codec_status.h"

namespace kalvire::codec {

const char* CodecStatusName(CodecStatus status) {
  switch (status) {
    case kCodecSuccess:
      return "success";
    case kCodecInvalid:
      return "invalid parameter or corrupt data";
    case kCodecBufferTooSmall:
      return "output buffer too small";
    case kCodecOutOfResources:
      return "working memory not available";
  }
  return "unknown status";
}

}  // namespace kalvire::codec
