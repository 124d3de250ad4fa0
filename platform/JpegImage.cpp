// The side image, decoded from its JPEG resource.
#include "platform/JpegImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Exceptions.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace os {

namespace {

// libjpeg's default error_exit calls exit(); ours jumps back to the decoder,
// which turns the failure into an exception outside libjpeg's C frames.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

void SilentOutput(j_common_ptr) {}
void NoMessage(j_common_ptr, int) {}
void NoReset(j_common_ptr) {}

// libjpeg's own texts come with its message table and sprintf; the picture
// is built into the program, so its number says enough.
void FormatMessage(j_common_ptr info, char* buffer) {
  std::string text = "the picture cannot be decoded (libjpeg message " +
                     std::to_string(info->err->msg_code) + ")";
  text.resize(std::min<std::size_t>(text.size(), JMSG_LENGTH_MAX - 1));
  std::memcpy(buffer, text.c_str(), text.size() + 1);
}

// What jpeg_std_error sets up, without its message table.
jpeg_error_mgr* ErrorMethods(jpeg_error_mgr* errors) {
  *errors = jpeg_error_mgr{};
  errors->error_exit = ErrorExit;
  errors->emit_message = NoMessage;
  errors->output_message = SilentOutput;
  errors->format_message = FormatMessage;
  errors->reset_error_mgr = NoReset;
  return errors;
}

// Everything that must survive a longjmp lives here, outside the frame that
// calls setjmp, so no local is left in an indeterminate state.
struct Decoder {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  TBitmap bitmap;
  bool created = false;

  ~Decoder() {
    if (created) jpeg_destroy_decompress(&info);
  }

  // Returns false with errors.message set when libjpeg reports an error.
  bool Run(std::string_view data) {
    info.err = ErrorMethods(&errors.base);
    if (setjmp(errors.jump) != 0) return false;
    jpeg_create_decompress(&info);
    created = true;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    bitmap.Width = static_cast<int>(info.output_width);
    bitmap.Height = static_cast<int>(info.output_height);
    const std::size_t stride = std::size_t(info.output_width) * 3;
    bitmap.Rgb.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = bitmap.Rgb.data() + stride * info.output_scanline;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
  }
};

}  // namespace

TBitmap DecodeJpeg(std::string_view data) {
  if (data.empty()) throw EInvalidGraphic("JPEG error: empty picture");
  Decoder decoder;
  if (!decoder.Run(data)) throw EInvalidGraphic(std::string("JPEG error: ") + decoder.errors.message);
  return std::move(decoder.bitmap);
}

}  // namespace os
