// libjpeg's error handling turned into Err results. libjpeg's own handler
// ends the process on a damaged stream; ours jumps back to the one guard
// (JPG_Guarded), whose caller then destroys the coder and frees its blocks.
// Warnings that mean damaged data are fatal too, so a broken picture never
// decodes as a grey smear. Owns no state.
#include "jpeg_internal.h"
// clang-format off
#include <jerror.h>
// clang-format on
#include "kova_debug.h"

namespace {

JpegError* errorOf(j_common_ptr cinfo) { return reinterpret_cast<JpegError*>(cinfo->err); }

// libjpeg's messages go to the verbose report channel, never to stderr.
void outputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  DBG_Print(FCC("repo"), "JPEG: %s\n", text);
}

void errorExit(j_common_ptr cinfo) {
  int code = cinfo->err->msg_code;
  bool memory =
      code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE || code == JERR_TFILE_CREATE;
  outputMessage(cinfo);
  JPG_Fail(cinfo, memory ? ERR_MEM_FULL : ERR_IMG_BAD_DATA);
}

// A warning that the entropy data is corrupt or cut short. Milder ones (an
// odd progression, extra bytes between markers, a bad colour profile) still
// leave a usable picture.
bool damageWarning(int code) {
  return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_JPEG_EOF ||
         code == JWRN_MUST_RESYNC;
}

void emitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  cinfo->err->num_warnings++;
  if (damageWarning(cinfo->err->msg_code)) {
    outputMessage(cinfo);
    JPG_Fail(cinfo, ERR_IMG_BAD_DATA);
  }
}

void scanMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > JPG_MAX_SCANS) {
    DBG_Print(FCC("repo"), "JPEG: more than %ld scans\n", int32_t(JPG_MAX_SCANS));
    JPG_Fail(cinfo, ERR_IMG_BAD_DATA);
  }
}

}  // namespace

jpeg_error_mgr* JPG_ErrorInit(JpegError* e) {
  jpeg_std_error(&e->pub);
  e->pub.error_exit = errorExit;
  e->pub.emit_message = emitMessage;
  e->pub.output_message = outputMessage;
  e->code = 0;
  return &e->pub;
}

void JPG_Fail(j_common_ptr cinfo, Err code) {
  JpegError* e = errorOf(cinfo);
  e->code = code;
  longjmp(e->jump, 1);
}

Err JPG_Guarded(JpegError* e, Err (*body)(void* ctx), void* ctx) {
  // Nothing here lives across the jump: the state is in *e and *ctx.
  if (setjmp(e->jump) != 0) return e->code;
  return body(ctx);
}

void JPG_LimitScans(j_decompress_ptr cinfo, jpeg_progress_mgr* monitor) {
  monitor->progress_monitor = scanMonitor;
  cinfo->progress = monitor;
}
