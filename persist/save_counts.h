/*
 * What a whole-array save could not keep: each count is of elements (or
 * labels) that a load of the written file gives back otherwise or not at all.
 * The one record of it: the module's writers count into it (persist's
 * SaveReport) and TesselLastSaveReport hands it to tools as it is, so it is
 * plain C, read through host/tessel_tools.h.
 */
#ifndef TESSEL_SAVE_COUNTS_H
#define TESSEL_SAVE_COUNTS_H

#include <stdint.h>

typedef struct TesselSaveReport {
  int32_t dimensionsBefore;  /* the array's dimension count */
  int32_t dimensionsAfter;   /* what a replacing load makes it; 0 when the file keeps none */
  int32_t keysDropped;       /* keys the format does not store (an empty key counts as none) */
  int32_t keysBecomeTexts;   /* value and data keys that come back as string keys */
  int32_t keysChanged;       /* INI string keys that read back otherwise ("=", leading blanks, "[", "//") */
  int32_t labelsDropped;     /* column labels the format does not store */
  int32_t valuesBecomeTexts; /* value cells that come back as strings */
  int32_t dataWrittenEmpty;  /* data cells written as empty texts */
  int32_t emptyCellsDropped; /* INI lines "=" (no key text, no text): skipped on load */
  int32_t elementsAdded;     /* empty elements written after the last one to fill a row or page */
  int32_t splitAtSeparator;  /* CSV texts holding a comma */
  int32_t splitAtLineBreak;  /* texts (or INI keys) holding CR or LF */
  int32_t textsEmptied;      /* CSV texts of exactly two double quotes, which read back empty */
} TesselSaveReport;

#endif
