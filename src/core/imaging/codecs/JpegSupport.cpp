#include "core/imaging/codecs/JpegSupport.h"

#include <cstdlib>
#include <string>

#include "core/base/Error.h"

namespace fotoloom::jpeg {
namespace {

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  manager->code = cinfo->err->msg_code;
  (*cinfo->err->format_message)(cinfo, manager->text);
  std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, extra bytes) are not errors: the picture still decodes.
void OnMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InitErrorManager(ErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = OnError;
  manager.pub.output_message = OnMessage;
  manager.code = 0;
  manager.text[0] = '\0';
  return &manager.pub;
}

bool Guarded(ErrorManager& manager, void (*fn)(void*), void* arg) {
  if (setjmp(manager.jump)) return false;
  fn(arg);
  return true;
}

void ExitWithPending(j_common_ptr cinfo, int code) {
  cinfo->err->msg_code = code;
  (*cinfo->err->error_exit)(cinfo);
  std::abort();  // error_exit never returns
}

void ThrowError(const ErrorManager& manager) {
  if (manager.pending) std::rethrow_exception(manager.pending);
  throw Error("JPEG error #" + std::to_string(manager.code) + " (" + manager.text + ")");
}

}  // namespace fotoloom::jpeg
