// Result of every codec call. The numbers are stored nowhere but are compared by callers,
// so they never change.
#pragma once

namespace kalvire::codec {

enum CodecStatus : int {
  kCodecSuccess = 0,
  kCodecInvalid = 1,         // invalid parameter, invalid data or codec error
  kCodecBufferTooSmall = 2,  // output buffer too small; the needed size has been stored
  kCodecOutOfResources = 3,  // working memory not available
};

const char* CodecStatusName(CodecStatus status);

}  // namespace kalvire::codec
