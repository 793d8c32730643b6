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
 *   editor context:  six pointer-wide fields; the application handle is the
 *                    second, the drawing target the fourth, the editor
 *                    window the sixth                           (24 / 48)
 *   infos entry:     six signed 16-bit fields                   (12)
 *   rectangle:       left, top, right, bottom, signed 32-bit    (16)
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

/* The longest list delimiter the setup dialog stores, in characters; the
 * record's field has room for more. A macro, so help texts can quote it. */
#define TESSEL_DELIMITER_LIMIT 1023

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

/* The host editor's record, first argument of the editor entry points. */
typedef struct TesselEditorContext {
  void* reserved0;
  void* application; /* taken by the host library's image services */
  void* reserved2;
  void* drawTarget; /* where EditorDisplay draws */
  void* reserved4;
  void* window; /* the editor's window, parent of the setup dialog */
} TesselEditorContext;

/* One action's or expression's parameter declaration. */
typedef struct TesselInfos {
  int16_t code;
  int16_t flags;
  int16_t kinds[2];  /* actions: 45 text, 22 integer; expressions: 3 text, 1 integer; 0 none */
  int16_t titles[2]; /* string ids of the parameter titles; 0 takes the menu label */
} TesselInfos;

typedef struct TesselRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
} TesselRect;

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

#if defined(_WIN32)
/*
 * Exported editor entry points (tessel.dll only). Menus, cursors and menu
 * handles are the system's handles, passed as void*. Arguments the module
 * does not read are unnamed; each entry point takes exactly as many as the
 * host passes, since the callee removes them.
 */
/* Writes the new-object setup record and runs the setup dialog: 0 after OK, -1 after Cancel. */
int TESSEL_CALL CreateObject(TesselEditorContext* context, intptr_t, TesselSetup* setup);
/* Frame size from the size record's third and fourth 16-bit values, in mode 0; returns 0. */
int TESSEL_CALL ModifyObject(TesselEditorContext*, TesselSetup* setup, intptr_t, intptr_t, int mode,
                             const int16_t* size);
/* Item 2020 runs the setup dialog: 4 after OK, otherwise 0. */
int TESSEL_CALL SelectPopup(TesselEditorContext* context, int item, intptr_t, intptr_t, TesselSetup* setup, intptr_t,
                            intptr_t);
/* Removes the item at position 1 and the item 2006 from the host's popup menu. */
void TESSEL_CALL AppendPopup(TesselEditorContext*, void* menu, intptr_t, intptr_t, intptr_t);
/* 512 for query 0, 256 for query 2, otherwise 0. */
uint32_t TESSEL_CALL GetInfos(int query);
/* New popup menus copied from the menu resources; the host owns them. The condition menu is none. */
void* TESSEL_CALL GetActionMenu(TesselEditorContext*);
void* TESSEL_CALL GetConditionMenu(TesselEditorContext*);
void* TESSEL_CALL GetExpressionMenu(TesselEditorContext*);
/* Number of the action or expression behind a menu item id, or -1. */
short TESSEL_CALL GetActionCodeFromMenu(TesselEditorContext*, int id);
short TESSEL_CALL GetConditionCodeFromMenu(TesselEditorContext*, int id);
short TESSEL_CALL GetExpressionCodeFromMenu(TesselEditorContext*, int id);
/* Address of a parameter declaration; numbers outside the tables give an all-zero entry. */
const TesselInfos* TESSEL_CALL GetActionInfos(TesselEditorContext*, int number);
const TesselInfos* TESSEL_CALL GetConditionInfos(TesselEditorContext*, int number);
const TesselInfos* TESSEL_CALL GetExpressionInfos(TesselEditorContext*, int number);
/* A parameter's title (its menu label) copied into the buffer, at most size - 1 characters. */
void TESSEL_CALL GetActionTitle(TesselEditorContext*, int number, int parameter, char* buffer, int size);
void TESSEL_CALL GetConditionTitle(TesselEditorContext*, int number, int parameter, char* buffer, int size);
void TESSEL_CALL GetExpressionTitle(TesselEditorContext*, int number, char* buffer, int size);
/* Display string (actions) or name (expressions) into the buffer; the character count. */
int TESSEL_CALL GetActionString(TesselEditorContext*, int number, char* buffer, int size);
int TESSEL_CALL GetConditionString(TesselEditorContext*, int number, char* buffer, int size);
int TESSEL_CALL GetExpressionString(TesselEditorContext*, int number, char* buffer, int size);
/* The one-line description " <value> : tessel" into the target. */
void TESSEL_CALL GetDesc(TesselEditorContext*, char* target, intptr_t, const char* value);
/* Copies the icon bitmap as stored (616 bytes): 0, or -1 without the resource. */
int TESSEL_CALL MakeIcon(TesselEditorContext*, void* destination);
/* Draws the object's picture at the rectangle's left and top through the host library. */
void TESSEL_CALL EditorDisplay(TesselEditorContext* context, intptr_t, intptr_t, intptr_t, const TesselRect* rect);
/* right := left + frame width, bottom := top + frame height; returns the rectangle. */
TesselRect* TESSEL_CALL GetObjectRect(TesselEditorContext*, TesselRect* rect, intptr_t, const TesselSetup* setup);
/* The object's cursor. */
void* TESSEL_CALL GetObjectCursor(TesselEditorContext*);
/* 0: the object is opaque everywhere. */
int TESSEL_CALL IsTransparent(TesselEditorContext*);
/* Nothing to do; each returns 0. */
int TESSEL_CALL UpdateEditStructure(TesselEditorContext*);
int TESSEL_CALL LoadObject(TesselEditorContext*);
int TESSEL_CALL RebuildExt(TesselEditorContext*);
/* Nothing to do. PutObject is also RemoveObject and UpdateFileNames; UnloadObject is also
   EndModifyObject and PrepareToWriteObject. */
void TESSEL_CALL PutObject(TesselEditorContext*);
void TESSEL_CALL DefaultOI(TesselEditorContext*);
void TESSEL_CALL UnloadObject(TesselEditorContext*);
#endif

/* Diagnostics, never called by a game host: the outcome of the object's last
 * routine call (0 = ok, else what failed: the codes of core/status.h), its
 * description copied into buffer (at most size bytes with the terminator). */
int32_t TESSEL_CALL TesselLastOutcome(TesselRunObject* object, char* buffer, int32_t size);

/* Cell types, as the diagnostics report them. */
enum {
  TESSEL_CELL_NONE = -1,
  TESSEL_CELL_EMPTY = 0,
  TESSEL_CELL_VALUE = 1,
  TESSEL_CELL_STRING = 2,
  TESSEL_CELL_DATA = 3
};

typedef struct TesselCellFacts {
  int32_t type;        /* TESSEL_CELL_* */
  int32_t length;      /* bytes of a data cell, characters of a string, 4 for a value, 0 when empty */
  int32_t keyType;     /* TESSEL_CELL_*, TESSEL_CELL_NONE without a key */
  int32_t rowSelected; /* 1 when the array is 2D and the cell's row is selected, else 0 */
} TesselCellFacts;

/* Diagnostics, never called by a game host: what the expressions cannot say
 * about the element at index. Returns 0, or -1 when index names no element. */
int32_t TESSEL_CALL TesselDescribeCell(TesselRunObject* object, int32_t index, TesselCellFacts* facts);

/* What a whole-array save could not keep, defined in host/tessel_tools.h. */
struct TesselSaveReport;

/* Diagnostics, never called by a game host: when the object's last routine
 * call was a whole-array save that succeeded, fills report and returns 0;
 * otherwise returns -1 and leaves report untouched. */
int32_t TESSEL_CALL TesselLastSaveReport(TesselRunObject* object, struct TesselSaveReport* report);

/* Diagnostics, never called by a game host: the first column at or after
 * `column` that has a label in a 2D array, or -1 when there is none; walks the
 * labels held, not the columns, so a table declared billions of columns wide
 * with a few labels is read in a few steps. */
int32_t TESSEL_CALL TesselNextLabel(TesselRunObject* object, int32_t column);

/* Diagnostics, never called by a game host: copies the first `size` bytes at
 * most of the element at index (a data cell's bytes, a string's characters
 * without the terminator) into buffer; returns how many it holds, or -1 when
 * index names no element. */
int32_t TESSEL_CALL TesselCellBytes(TesselRunObject* object, int32_t index, char* buffer, int32_t size);

/* How TesselActOnBytes reads a CSV file written elsewhere (a game's load
 * does neither). */
enum {
  TESSEL_READ_SKIP_BOM = 1, /* a leading UTF-8 byte order mark is not read */
  TESSEL_READ_LABEL_ROW = 2 /* the first row holds the column labels; the cells are the rows after it */
};

/* Diagnostics, never called by a game host: runs action `action`, one that
 * reads a file (a load or an append of a whole array, Set file at, Insert
 * file at, Append file), as the host would with `name` as its file and
 * `second` as its other parameter, but the file reads as the `size` bytes at
 * `bytes`; nothing is read from the disk or written there. The load keeps
 * every rule of the action (its memory rule by `size`, its damage reports) and
 * TesselLastOutcome then says what the action says of a file `name` holding
 * those bytes. `flags` (TESSEL_READ_*) apply to the CSV load and append only.
 * Returns 0, or -1 (nothing done) when the action reads no file, the flags do
 * not apply to it, or an argument is missing. */
int32_t TESSEL_CALL TesselActOnBytes(TesselRunObject* object, int32_t action, const char* name, int32_t second,
                                     const char* bytes, intptr_t size, int32_t flags);
/* Diagnostics, never called by a game host: as TesselCellBytes, for the key
 * of the element at index; -1 when index names no element or it has no key. */
int32_t TESSEL_CALL TesselKeyBytes(TesselRunObject* object, int32_t index, char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif
