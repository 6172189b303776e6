/* A program outside the project: codes the first frame of a 64000 bit/s
 * conformance vector through the installed library, linked at build time
 * or (with LOAD_AT_RUN_TIME) opened with dlopen. Little-endian hosts only.
 * usage: use_installed_library INPUT.pcm FRAMES.g719 DECODED.pcm */
#include <g719_codec.h>
#include <stdio.h>
#include <string.h>
#ifdef LOAD_AT_RUN_TIME
#include <dlfcn.h>
#define API(name) __typeof__(&name) p_##name = (__typeof__(&name))dlsym(lib, #name)
#else
#define API(name) __typeof__(&name) p_##name = &name
#endif

static int read_prefix(const char *path, void *data, size_t bytes) {
  FILE *f = fopen(path, "rb");
  const int ok = f != NULL && fread(data, 1, bytes, f) == bytes;
  if (f != NULL) fclose(f);
  return ok;
}

int main(int argc, char **argv) {
  int16_t pcm[G719_FRAME_SAMPLES], decoded[G719_FRAME_SAMPLES];
  uint8_t frame[160], coded[G719_MAX_FRAME_BYTES];
  if (argc != 4 || !read_prefix(argv[1], pcm, sizeof pcm) || !read_prefix(argv[2], frame, sizeof frame) ||
      !read_prefix(argv[3], decoded, sizeof decoded))
    return 2;
#ifdef LOAD_AT_RUN_TIME
  void *lib = dlopen("libg719codec.so.1", RTLD_NOW | RTLD_LOCAL);
  if (lib == NULL) return fprintf(stderr, "dlopen: %s\n", dlerror()), 1;
#endif
  API(g719_encoder_create); API(g719_encoder_frame_bytes); API(g719_encode); API(g719_encoder_free);
  API(g719_decoder_create); API(g719_decoder_frame_bytes); API(g719_decode); API(g719_decoder_free);

  G719EncoderState *enc = p_g719_encoder_create(64000);
  G719DecoderState *dec = p_g719_decoder_create(64000);
  p_g719_encode(enc, pcm, coded);
  p_g719_decode(dec, frame, pcm, 0);
  const int ok = p_g719_encoder_frame_bytes(enc) == 160 && p_g719_decoder_frame_bytes(dec) == 160 &&
                 memcmp(coded, frame, 160) == 0 && memcmp(pcm, decoded, sizeof pcm) == 0;
  p_g719_encoder_free(enc);
  p_g719_decoder_free(dec);
  return ok ? 0 : 1;
}
