/*
 * Tessel: what a tool (a console, a workbench, a test host) needs to know of
 * the module beyond its exports in host/tessel.h: the outcome codes of
 * TesselLastOutcome, the record TesselLastSaveReport fills, the size of a
 * cell in this build, and the memory rules of loads and saves. The module's
 * own build checks every number here against the code that acts on it.
 */
#ifndef TESSEL_TOOLS_H
#define TESSEL_TOOLS_H

#include <stdint.h>

#include "host/tessel.h"
#include "persist/save_counts.h"

/* What TesselLastOutcome returns. */
enum {
  TESSEL_OUTCOME_OK = 0,
  TESSEL_OUTCOME_CANNOT_OPEN = 1,   /* the file cannot be opened or created */
  TESSEL_OUTCOME_READ_FAILED = 2,   /* reading stopped before the end of the file */
  TESSEL_OUTCOME_WRITE_FAILED = 3,  /* a write did not take every byte */
  TESSEL_OUTCOME_FLUSH_FAILED = 4,  /* the written bytes could not be brought to the disk */
  TESSEL_OUTCOME_CLOSE_FAILED = 5,  /* closing reported a late write failure */
  TESSEL_OUTCOME_RENAME_FAILED = 6, /* the finished file could not take the old one's place */
  TESSEL_OUTCOME_BAD_FORMAT = 7,    /* the file is not of the kind the load expects */
  TESSEL_OUTCOME_TOO_LARGE = 8,     /* the file or the array does not fit what the format or a cell holds */
  TESSEL_OUTCOME_OUT_OF_MEMORY = 9, /* the call could not get its memory and changed nothing */
  TESSEL_OUTCOME_NO_ELEMENT = 10,   /* the index names no element */
  TESSEL_OUTCOME_DAMAGED = 11       /* the file is damaged; what could be read was loaded */
};

/* Bytes each element takes in the module's cell table, besides its text:
 * three pointers wide on 64-bit targets, five 32-bit words elsewhere. */
#define TESSEL_CELL_BYTES ((int)(sizeof(void*) == 8 ? 24 : 20))

/* The memory rule of every load: a file of N bytes never takes more than
 * TESSEL_LOAD_ALLOWANCE_MIB MiB + TESSEL_LOAD_BYTES_PER_FILE_BYTE x N bytes
 * beyond the array it replaces; a load that would is refused ("too large").
 * Plain numbers, so help texts can quote them. */
#define TESSEL_LOAD_ALLOWANCE_MIB 64
#define TESSEL_LOAD_BYTES_PER_FILE_BYTE 64

/* The bound of every save: one whose file would pass TESSEL_MAX_SAVE_GIB GiB,
 * or TESSEL_SAVE_BYTES_PER_ARRAY_BYTE times the array's own bytes plus
 * TESSEL_SAVE_ALLOWANCE_MIB MiB, is refused and the old file stays. */
#define TESSEL_MAX_SAVE_GIB 2
#define TESSEL_SAVE_ALLOWANCE_MIB 64
#define TESSEL_SAVE_BYTES_PER_ARRAY_BYTE 64

/* A number above as text, for help texts: TESSEL_QUOTED(TESSEL_MAX_SAVE_GIB) is "2". */
#define TESSEL_QUOTED_(n) #n
#define TESSEL_QUOTED(n) TESSEL_QUOTED_(n)

#endif
