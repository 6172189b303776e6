/* Public interface of the G.719 codec: create an encoder or decoder for a
 * bitrate, encode one 960-sample block into one frame of bytes, decode one
 * frame of bytes into 960 samples, free the instance.
 *
 * Bitrates: multiples of 400 bit/s from 32000 to 128000. A frame is always
 * 960 samples (20 ms at 48 kHz, mono, signed 16-bit in host byte order) and
 * bitrate / 400 bytes, the bits packed most significant bit first. Frames
 * carry no header: the bitrate travels beside them (e.g. in the table of
 * contents of an RTP payload). Frames must be presented in stream order; an
 * instance is used by one thread at a time, and distinct instances may run
 * concurrently on different threads. Encoding and decoding never allocate
 * memory and never fail.
 *
 * The header is C-compatible. The plugins include it from the source tree;
 * installed, it is <g719_codec.h> of the g719codec library:
 *   cc prog.c $(pkg-config --cflags --libs g719codec)
 * which links libg719codec.so.1. */
#ifndef ZEB_G719_CODEC_H
#define ZEB_G719_CODEC_H

#include <stdint.h>

/* Marks the functions that libg719codec exports; everything else in the
 * library is hidden. */
#ifndef G719_API
#if defined(__GNUC__) || defined(__clang__)
#define G719_API __attribute__((visibility("default")))
#else
#define G719_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct G719EncoderState G719EncoderState;
typedef struct G719DecoderState G719DecoderState;

/* Samples per frame. */
#define G719_FRAME_SAMPLES 960
/* Bytes of the largest frame (128000 bit/s). */
#define G719_MAX_FRAME_BYTES 320
#define G719_MIN_BITRATE 32000
#define G719_MAX_BITRATE 128000

/* Returns a new encoder for bitrate (bit/s), or NULL when the bitrate is not
 * a multiple of 400 in [32000, 128000] or memory cannot be had. */
G719_API G719EncoderState *g719_encoder_create(int32_t bitrate);
/* Releases an encoder; NULL is ignored. */
G719_API void g719_encoder_free(G719EncoderState *state);
/* 960. */
G719_API int32_t g719_encoder_frame_samples(const G719EncoderState *state);
/* bitrate / 400. */
G719_API int32_t g719_encoder_frame_bytes(const G719EncoderState *state);
/* Reads 960 samples from pcm and writes exactly frame_bytes bytes to frame. */
G719_API void g719_encode(G719EncoderState *state, const int16_t *pcm, uint8_t *frame);

/* Returns a new decoder for bitrate (bit/s), or NULL as for the encoder. */
G719_API G719DecoderState *g719_decoder_create(int32_t bitrate);
/* Releases a decoder; NULL is ignored. */
G719_API void g719_decoder_free(G719DecoderState *state);
/* 960 and bitrate / 400, as for the encoder. */
G719_API int32_t g719_decoder_frame_samples(const G719DecoderState *state);
G719_API int32_t g719_decoder_frame_bytes(const G719DecoderState *state);
/* Reads exactly frame_bytes bytes from frame (also when bad_frame is set)
 * and writes 960 samples to pcm. Any byte string decodes: the decoder never
 * reads past the frame. A non-zero bad_frame declares the frame lost: its
 * bytes are not interpreted (any readable bytes do, e.g. zeros, when the
 * frame never arrived) and the output is concealed from the previous frames,
 * 6 dB quieter with each further lost frame; a lost first frame is silence. */
G719_API void g719_decode(G719DecoderState *state, const uint8_t *frame, int16_t *pcm, int32_t bad_frame);

#ifdef __cplusplus
}
#endif

#endif /* ZEB_G719_CODEC_H */
