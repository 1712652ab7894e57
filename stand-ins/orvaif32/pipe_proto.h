/* The request and reply records that orvaif32.dll and HXIHOST.EXE exchange
   over the host's named pipe (message mode, one request then one reply).
   Little-endian, packed, followed by `length` data bytes. */
#ifndef VALDRN_PIPE_PROTO_H
#define VALDRN_PIPE_PROTO_H

#include <stdint.h>

#define HXIPIPE_DEFAULT_NAME "\\\\.\\pipe\\HXIHOST"
/* Environment variable that names another pipe (for side-by-side hosts). */
#define HXIPIPE_ENV "HXIHOST_PIPE"
#define HXIPIPE_MAX_DATA 65536

#pragma pack(push, 1)
typedef struct {
    uint32_t msg;      /* host message number */
    uint64_t wnd;      /* window handle given by the caller */
    uint32_t param;    /* 32-bit parameter */
    uint32_t length;   /* data bytes that follow */
} HxiPipeRequest;

typedef struct {
    int32_t result;
    uint32_t length;   /* data bytes that follow */
} HxiPipeReply;
#pragma pack(pop)

/* Names fetched in one go while a list is filled in order: a request with
   msg = HXIPIPE_NAMES, param = how many (at most HXIPIPE_MAX_NAMES) and as
   data the name request block of the first; the reply's data is one
   answered block per name, numbers counting up from the first. */
#define HXIPIPE_NAMES 0x7FFF0001u
#define HXIPIPE_MAX_NAMES 64

/* A fetch of the waiting message announced by ZUV_RXMESSAGE travels as a
   request with msg = ZUV_RXMESSAGE and param = its wParam; the reply's
   result is the message to deliver (ZUV_RXCOMMAND) or 0 when nothing waits,
   and its data the command text with its NUL. */

#endif
