#include "core/imaging/codecs/JpegSupport.h"

#include <cstdlib>
#include <string>

#include "core/base/Cancelled.h"
#include "core/base/Error.h"

namespace fotoloom::jpeg {
namespace {

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  manager->code = cinfo->err->msg_code;
  (*cinfo->err->format_message)(cinfo, manager->text);
  if (manager->code == JERR_NO_BACKING_STORE) {
    // Only the memory limit leads here: libjpeg would have to spill to disk.
    std::snprintf(manager->text, sizeof manager->text,
                  "the photo needs more than %ld MB to decode", kMaxJpegMemory / (1024 * 1024));
  }
  std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, extra bytes) are not errors: the picture still decodes. Only a
// flood of them ends the photo.
void OnMessage(j_common_ptr) {}

void OnEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (++manager->warnings <= kMaxJpegWarnings) return;
  manager->pending = std::make_exception_ptr(
      Error("JPEG error: the photo is too badly damaged (more than " +
            std::to_string(kMaxJpegWarnings) + " warnings)"));
  ExitWithPending(cinfo, cinfo->err->msg_code);
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  const auto* monitor = reinterpret_cast<const ProgressMonitor*>(cinfo->progress);
  const bool cancelled = monitor->source && monitor->source->CancelRequested();
  if (!cancelled && decompress->input_scan_number <= kMaxJpegScans) return;
  auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (cancelled) {
    manager->pending = std::make_exception_ptr(Cancelled());
  } else {
    manager->pending = std::make_exception_ptr(Error(
        "JPEG error: the photo has more than " + std::to_string(kMaxJpegScans) + " scans"));
  }
  ExitWithPending(cinfo, cinfo->err->msg_code);
}

}  // namespace

jpeg_error_mgr* InitErrorManager(ErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = OnError;
  manager.pub.output_message = OnMessage;
  manager.pub.emit_message = OnEmitMessage;
  manager.code = 0;
  manager.warnings = 0;
  manager.text[0] = '\0';
  return &manager.pub;
}

void LimitDecompression(j_decompress_ptr cinfo, ProgressMonitor& progress) {
  progress.pub.progress_monitor = OnProgress;
  cinfo->progress = &progress.pub;
  // Past this libjpeg asks for a backing store, which this build of it refuses: an error
  // instead of gigabytes.
  cinfo->mem->max_memory_to_use = kMaxJpegMemory;
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
