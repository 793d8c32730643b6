/*
 * Tessel: the binary interface between a game host and the module.
 *
 * This header is the definition a host is written from. Every record is
 * byte-packed and little-endian. The 32-bit layouts are the host's own; the
 * 64-bit layouts exist for development (sanitizers, benchmarks, test hosts)
 * and follow one rule: every pointer field is 8 bytes instead of 4, the
 * fields after it shift by the growth, nothing else changes and there is no
 * padding. The offsets below are written with TESSEL_PTR so that both hold.
 *
 *   run-time object: host context at 6, result flags at 98, store at 152,
 *                    between column at 152 + P, size 156 + P    (160 / 164)
 *   host context:    get first parameter at 800, get next at 800 + P,
 *                    get string space at 832 + 2P                (840 / 848)
 *   run-time infos:  tables at 0, P, 2P; counts at 3P, 3P+2, 3P+4; setup
 *                    size at 3P+6; 0 at 3P+8; the byte 10 at 3P+10; byte
 *                    3P+11 untouched; 0 at 3P+12; "TSL7" at 3P+14..3P+17;
 *                    0 at 3P+18; size 3P+20                       (32 / 44)
 *   setup record:    1062 bytes, no pointers.
 *
 * Calling convention: entry points, routines and host services use stdcall
 * on 32-bit x86 (Windows and Linux alike) and the platform's C convention
 * elsewhere.
 */
#ifndef TESSEL_H
#define TESSEL_H

#include <stdint.h>

#if defined(__i386__) || defined(_M_IX86)
#if defined(_MSC_VER)
#define TESSEL_CALL __stdcall
#else
#define TESSEL_CALL __attribute__((stdcall))
#endif
#else
#define TESSEL_CALL
#endif

#define TESSEL_PTR ((int)sizeof(void*))

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TesselRunObject TesselRunObject;

/* Host services: (run-time object, type code or byte count, raw parameter or 0). */
typedef intptr_t(TESSEL_CALL* TesselService)(TesselRunObject*, intptr_t, intptr_t);
/* Action routine: (run-time object, first parameter, second parameter) -> 0. */
typedef short(TESSEL_CALL* TesselActionRoutine)(TesselRunObject*, intptr_t, intptr_t);
/* Expression routine: (run-time object, raw parameter) -> integer or text address. */
typedef intptr_t(TESSEL_CALL* TesselExpressionRoutine)(TesselRunObject*, intptr_t);

enum {
  TESSEL_PARAM_INTEGER = 0, /* type code for get first / get next parameter */
  TESSEL_PARAM_TEXT = 1,
  TESSEL_TEXT_FLAG = 0x8000, /* set in the result flags word for a text result */
  TESSEL_ACTION_COUNT = 79,
  TESSEL_EXPRESSION_COUNT = 60,
  TESSEL_SETUP_SIZE = 1062,
  TESSEL_DELIMITER_SIZE = 1026
};

#pragma pack(push, 1)

/* The host's record of run-time services; only the three service slots are ours to read. */
typedef struct TesselHostContext {
  unsigned char opaque0[800];
  TesselService getFirstParameter;
  TesselService getNextParameter;
  unsigned char opaque1[32];
  TesselService getStringSpace;
} TesselHostContext;

/* Allocated by the host, GetRunObjectDataSize bytes. */
struct TesselRunObject {
  unsigned char header0[6];
  TesselHostContext* hostContext;
  unsigned char header1[98 - 6 - sizeof(void*)];
  uint16_t resultFlags;
  unsigned char header2[152 - 100];
  void* store;
  int32_t betweenColumn;
};

typedef struct TesselSetup {
  unsigned char hostHeader[8];
  int16_t frameWidth;
  int16_t frameHeight;
  int32_t dimensionCount;
  int32_t xSize;
  int32_t ySize;
  int32_t caseSensitive;
  int32_t wildcard;
  char listDelimiter[TESSEL_DELIMITER_SIZE];
  int32_t autoSelect;
} TesselSetup;

typedef struct TesselRunInfos {
  const void* conditions;
  const TesselActionRoutine* actions;
  const TesselExpressionRoutine* expressions;
  uint16_t conditionCount;
  uint16_t actionCount;
  uint16_t expressionCount;
  uint16_t setupSize;
  uint16_t reserved0;
  uint8_t hostByte;
  uint8_t untouched;
  uint16_t reserved1;
  char identifier[4];
  uint16_t reserved2;
} TesselRunInfos;

#pragma pack(pop)

/* Exported run-time entry points; results are 16 bits wide. */
short TESSEL_CALL GetRunObjectDataSize(intptr_t, intptr_t);
short TESSEL_CALL CreateRunObject(TesselRunObject* object, const TesselSetup* setup, intptr_t);
short TESSEL_CALL DestroyRunObject(TesselRunObject* object, intptr_t);
short TESSEL_CALL HandleRunObject(TesselRunObject* object);
short TESSEL_CALL DisplayRunObject(TesselRunObject* object);
short TESSEL_CALL ReInitRunObject(TesselRunObject* object);
short TESSEL_CALL PauseRunObject(TesselRunObject* object);
short TESSEL_CALL ContinueRunObject(TesselRunObject* object);
short TESSEL_CALL GetRunObjectInfos(intptr_t, TesselRunInfos* infos);

/* Diagnostics, never called by a game host: the outcome of the object's last
 * routine call (0 = ok, else what failed: the codes of core/status.h), its
 * description copied into buffer (at most size bytes with the terminator). */
int32_t TESSEL_CALL TesselLastOutcome(TesselRunObject* object, char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif
