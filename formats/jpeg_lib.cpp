#include "formats/jpeg_lib.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "std/fout.h"
#include "std/imgfnew.h"

static_assert(JMSG_LENGTH_MAX <= sizeof(JPEGDEC::message), "room for libjpeg's messages");

namespace {

// Progressive streams can hold any number of scans; past this they are
// taken as damaged rather than decoded for minutes.
constexpr int kMaxScans = 1000;

struct ErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf recover;
  char* message;  // where a fatal error's text goes
};

void onFatal(j_common_ptr c) {
  ErrorMgr* e = reinterpret_cast<ErrorMgr*>(c->err);
  (*c->err->format_message)(c, e->message);
  std::longjmp(e->recover, 1);
}

// Warnings go where the program's other diagnostics go.
void onMessage(j_common_ptr c) {
  char text[JMSG_LENGTH_MAX];
  (*c->err->format_message)(c, text);
  std::printf("jpeg:%s\n", text);
}

void onProgress(j_common_ptr c) {
  if (c->is_decompressor && reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) {
    ErrorMgr* e = reinterpret_cast<ErrorMgr*>(c->err);
    std::snprintf(e->message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
    std::longjmp(e->recover, 1);
  }
}

// Destination that passes each filled chunk on to the output stream.
struct ChunkDest {
  jpeg_destination_mgr pub;
  JPEGENC* e;
};

void destInit(j_compress_ptr c) {
  ChunkDest* d = reinterpret_cast<ChunkDest*>(c->dest);
  d->pub.next_output_byte = d->e->chunk;
  d->pub.free_in_buffer = d->e->chunklen;
}

boolean destEmpty(j_compress_ptr c) {
  ChunkDest* d = reinterpret_cast<ChunkDest*>(c->dest);
  foutWrite(d->e->fo, d->e->chunk, d->e->chunklen);
  destInit(c);
  return TRUE;
}

void destTerm(j_compress_ptr c) {
  ChunkDest* d = reinterpret_cast<ChunkDest*>(c->dest);
  foutWrite(d->e->fo, d->e->chunk, d->e->chunklen - d->pub.free_in_buffer);
}

void initErrors(ErrorMgr* e, char* message) {
  jpeg_std_error(&e->pub);
  e->pub.error_exit = onFatal;
  e->pub.output_message = onMessage;
  e->message = message;
}

}  // namespace

int jpegDecodeRun(JPEGDEC* d) {
  jpeg_decompress_struct cinfo;
  ErrorMgr err;
  jpeg_progress_mgr progress;
  d->message[0] = '\0';
  initErrors(&err, d->message);
  cinfo.err = &err.pub;
  d->img = nullptr;
  d->failure = JPEG_OK;
  if (setjmp(err.recover)) {
    jpeg_destroy_decompress(&cinfo);
    imgfFre(d->img);
    d->img = nullptr;
    d->failure = JPEG_LIBRARY;
    return 0;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = onProgress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, d->data, static_cast<unsigned long>(d->len));
  jpeg_read_header(&cinfo, TRUE);
  d->components = cinfo.num_components;
  d->w = static_cast<int>(cinfo.image_width);
  d->h = static_cast<int>(cinfo.image_height);
  if (cinfo.num_components != 1 && cinfo.num_components != 3) d->failure = JPEG_COMPONENTS;
  if (!d->failure && !imgfBytes(cinfo.image_width, cinfo.image_height, 4))
    d->failure = JPEG_TOO_BIG;
  if (d->failure) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  // The library expands grey and colour streams straight into RGBA rows.
  cinfo.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&cinfo);
  d->img = imgfNew(cinfo.output_width, cinfo.output_height, 0);
  if (!d->img) {
    jpeg_destroy_decompress(&cinfo);
    d->failure = JPEG_NO_MEMORY;
    return 0;
  }
  const size_t stride = size_t(cinfo.output_width) * 4;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    int n = 0;
    for (; n < 4 && cinfo.output_scanline + n < cinfo.output_height; n++)
      rows[n] = d->img->buf + (cinfo.output_scanline + n) * stride;
    jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 1;
}

int jpegEncodeRun(JPEGENC* e) {
  jpeg_compress_struct cinfo;
  ErrorMgr err;
  ChunkDest dest;
  e->message[0] = '\0';
  initErrors(&err, e->message);
  cinfo.err = &err.pub;
  e->failure = JPEG_OK;
  e->warnings = 0;
  if (setjmp(err.recover)) {
    jpeg_destroy_compress(&cinfo);
    e->failure = JPEG_LIBRARY;
    return 0;
  }
  jpeg_create_compress(&cinfo);
  cinfo.image_width = static_cast<JDIMENSION>(e->w);
  cinfo.image_height = static_cast<JDIMENSION>(e->h);
  // RGBA rows go in as they are; the library ignores the fourth byte.
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_RGBA;
  cinfo.data_precision = 8;
  jpeg_set_defaults(&cinfo);
  jpeg_default_colorspace(&cinfo);
  dest.pub.init_destination = destInit;
  dest.pub.empty_output_buffer = destEmpty;
  dest.pub.term_destination = destTerm;
  dest.e = e;
  cinfo.dest = &dest.pub;
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = size_t(e->w) * 4;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(e->rgba + cinfo.next_scanline * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  e->warnings = err.pub.num_warnings;
  jpeg_destroy_compress(&cinfo);
  return 1;
}
