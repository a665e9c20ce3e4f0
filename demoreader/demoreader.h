/* The demo reader library: opens a Quake III protocol demo and hands out its
 * server messages one at a time, field by field.
 *
 * Every result is a signed 32-bit number; the demo path is 8-bit text, passed
 * to the C library's fopen unchanged. The protocol is taken from the path's
 * extension (".dm_66" ... ".dm_91", ".dm3"; anything else reads as 68).
 * README.md beside this header describes the status values, the limits and
 * what happens to handles that are never closed. The calls are not meant to
 * be made from several threads at once. */
#ifndef FENLARK_DEMOREADER_H
#define FENLARK_DEMOREADER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a demo. Returns a handle greater than 0, or 0 when the file cannot be
 * opened. */
int32_t OpenDemoFile(const char* path);

/* Moves to the next message of the demo. 0: a message is ready. Any other
 * value ends the demo and is given again by every later call:
 * 1 end marker reached, 3 file ended after a complete record without end
 * marker, 4 file ended inside a record, 5 record length negative or above
 * 16384, 6 read error, 7 unknown or closed handle. After a non-zero status
 * the current message is empty: ReadLong, ReadShort and ReadByte give -1. */
int32_t ReadNextMessage(int32_t handle);

/* The next 8 bits of the current message (0 to 255), the next 16 bits as a
 * signed number, the next 32 bits as a signed number. -1 once the message is
 * exhausted (and for an unknown handle). */
int32_t ReadByte(int32_t handle);
int32_t ReadShort(int32_t handle);
int32_t ReadLong(int32_t handle);

/* Consume one baseline (entity number and entity delta) or the whole body of
 * one snapshot operation. 0 when it decoded, -1 when the data was damaged or
 * the message was already exhausted; the rest of the message then reads as
 * exhausted. */
int32_t ReadBaseline(int32_t handle);
int32_t ReadSnapshot(int32_t handle);

/* Releases the demo. 0 when the handle was open, -1 otherwise. */
int32_t CloseDemoFile(int32_t handle);

#ifdef __cplusplus
}
#endif

#endif
