/* Window message numbers exchanged with the host interface, and the name
   request block. Shared by the driver, the host interface stand-ins and the
   resource scripts (which see only the defines). */
#ifndef VALDRN_HXI_MESSAGES_H
#define VALDRN_HXI_MESSAGES_H

#define ZUV_REQHXIHANDLE   2031   /* to all top-level windows: wParam = driver window */
#define ZUV_HXIHANDLE      2032   /* from host: wParam = host window */
#define ZUV_RXMESSAGE      2074   /* from host: handed to ORVA32RxMessage */
#define ZUV_TXINFO         2144   /* library: wParam = status device, data = IW text */
#define ZUV_REQNAME        2164   /* library: data = name request block */
#define ZUV_REQDEVCLOSE    2175   /* from host: close the driver */
#define ZUV_REQDEVGORXONLY 2179   /* from host: lParam = excepted device; 1 accepted */
#define ZUV_REQDEVGOTXRX   2180   /* from host: lParam = excepted device; 1 accepted */
#define ZUV_INQDEVGOTXRX   2181   /* from host: 1 yes */
#define ZUV_DEREGDEV       2186   /* library: wParam = driver window */
#define ZUV_TXREVERTIVE    2187   /* library: param = requester, data = RR text */
#define ZUV_TXREPLY        2188   /* library: param = requester (+0x8000 on the last) */
#define ZUV_RXCOMMAND      2189   /* from host: lParam = command text */
#define ZUV_SETDEVRXONLY   2190   /* from host: become Rx only */
#define ZUV_REGDEV         2193   /* to host: wParam = driver window, lParam = device */
#define ZUV_ASSERTDEVMODE  2215   /* to host: wParam = mode 1, 3 or 5; lParam = device */

#define ZUV_REPLY_END_MARK 0x8000

/* Registration results of ZUV_REGDEV. */
#define HXI_REG_OK            0
#define HXI_REG_INVALID       1
#define HXI_REG_IN_USE        2
#define HXI_REG_NOT_DRIVER    3

/* Modes carried by ZUV_ASSERTDEVMODE. */
#define HXI_ASSERT_RXONLY     1
#define HXI_ASSERT_TXRX       3
#define HXI_ASSERT_LINKFAIL   5

#ifndef RC_INVOKED
#include <stdint.h>

/* Name request block of ZUV_REQNAME: 18 bytes, little-endian. On return the
   block holds the name as a NUL-terminated text from offset 0. */
#define NAME_REQUEST_SIZE 18
#define NAME_KIND_SOURCE  0
#define NAME_KIND_DEST    1

/* Sets the number a request block asks for. */
static inline void NameRequest_SetNumber(unsigned char* block, int number)
{
    block[4] = (unsigned char)(number & 0xFF);
    block[5] = (unsigned char)((number >> 8) & 0xFF);
}

/* Fills an 18-byte block for a request (device, kind, 1-based number). */
static inline void NameRequest_Build(unsigned char* block, int device, int kind, int number)
{
    int i;
    for (i = 0; i < NAME_REQUEST_SIZE; ++i)
        block[i] = 0;
    block[0] = (unsigned char)(device & 0xFF);
    block[1] = (unsigned char)((device >> 8) & 0xFF);
    block[2] = (unsigned char)(kind & 0xFF);
    block[3] = (unsigned char)((kind >> 8) & 0xFF);
    NameRequest_SetNumber(block, number);
}

/* The fields of a request block (of at least its first 6 bytes). */
static inline int NameRequest_Device(const unsigned char* block) { return block[0] | block[1] << 8; }
static inline int NameRequest_Kind(const unsigned char* block) { return block[2] | block[3] << 8; }
static inline int NameRequest_Number(const unsigned char* block) { return block[4] | block[5] << 8; }
#endif

#endif
