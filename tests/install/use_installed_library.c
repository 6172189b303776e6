/* A program outside the project: encodes and decodes the first frames of a
 * conformance vector through the installed g719codec library, linked at
 * build time or (with LOAD_AT_RUN_TIME) opened with dlopen.
 * usage: use_installed_library BITRATE INPUT.pcm FRAMES.g719 DECODED.pcm */
#include <g719_codec.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef LOAD_AT_RUN_TIME
#include <dlfcn.h>
#define API(name) __typeof__(&name) p_##name = (__typeof__(&name))dlsym(lib, #name)
#else
#define API(name) __typeof__(&name) p_##name = &name
#endif

enum { kFrames = 2 };

static int read_prefix(const char *path, void *data, size_t bytes) {
  FILE *f = fopen(path, "rb");
  const int ok = f != NULL && fread(data, 1, bytes, f) == bytes;
  if (f != NULL) fclose(f);
  if (!ok) fprintf(stderr, "cannot read %zu bytes from %s\n", bytes, path);
  return ok;
}

int main(int argc, char **argv) {
  if (argc != 5) return 2;
#ifdef LOAD_AT_RUN_TIME
  void *lib = dlopen("libg719codec.so.1", RTLD_NOW | RTLD_LOCAL);
  if (lib == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 1;
  }
#endif
  API(g719_encoder_create); API(g719_encoder_frame_bytes); API(g719_encode); API(g719_encoder_free);
  API(g719_decoder_create); API(g719_decoder_frame_bytes); API(g719_decode); API(g719_decoder_free);

  const int32_t bitrate = (int32_t)atol(argv[1]);
  const size_t frame_bytes = (size_t)bitrate / 400;
  static uint8_t pcm_bytes[kFrames * G719_FRAME_SAMPLES * 2], expected_frames[kFrames * G719_MAX_FRAME_BYTES],
      decoded_bytes[kFrames * G719_FRAME_SAMPLES * 2];
  if (!read_prefix(argv[2], pcm_bytes, sizeof pcm_bytes) ||
      !read_prefix(argv[3], expected_frames, kFrames * frame_bytes) ||
      !read_prefix(argv[4], decoded_bytes, sizeof decoded_bytes))
    return 1;

  G719EncoderState *enc = p_g719_encoder_create(bitrate);
  G719DecoderState *dec = p_g719_decoder_create(bitrate);
  if (enc == NULL || dec == NULL || (size_t)p_g719_encoder_frame_bytes(enc) != frame_bytes ||
      (size_t)p_g719_decoder_frame_bytes(dec) != frame_bytes) {
    fprintf(stderr, "no instances of %zu-byte frames at %d bit/s\n", frame_bytes, (int)bitrate);
    return 1;
  }
  int status = 0;
  for (int f = 0; f < kFrames; ++f) {
    int16_t pcm[G719_FRAME_SAMPLES], out[G719_FRAME_SAMPLES];
    uint8_t frame[G719_MAX_FRAME_BYTES];
    for (int i = 0; i < G719_FRAME_SAMPLES; ++i) {
      const uint8_t *p = pcm_bytes + 2 * (f * G719_FRAME_SAMPLES + i);
      pcm[i] = (int16_t)(p[0] | p[1] << 8);
    }
    p_g719_encode(enc, pcm, frame);
    if (memcmp(frame, expected_frames + f * frame_bytes, frame_bytes) != 0) {
      fprintf(stderr, "frame %d encodes differently\n", f);
      status = 1;
    }
    p_g719_decode(dec, expected_frames + f * frame_bytes, out, 0);
    for (int i = 0; i < G719_FRAME_SAMPLES; ++i) {
      const uint8_t *p = decoded_bytes + 2 * (f * G719_FRAME_SAMPLES + i);
      if (out[i] != (int16_t)(p[0] | p[1] << 8)) {
        fprintf(stderr, "frame %d decodes differently at sample %d\n", f, i);
        status = 1;
        break;
      }
    }
  }
  p_g719_encoder_free(enc);
  p_g719_decoder_free(dec);
  return status;
}
