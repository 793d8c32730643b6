// Proof, at compile time, that the records exchanged with the host have the
// host's byte layout: exact numbers on 32-bit targets, the pointer-growth
// rule of tessel.h on 64-bit ones, and the host's numbers again for the
// workbench page's WebAssembly (32-bit pointers, but no x86 calling convention).
#pragma once

#include <cstddef>

#include "host/tessel.h"

namespace tessel::layout {

constexpr std::size_t P = sizeof(void*);

static_assert(offsetof(TesselRunObject, hostContext) == 6);
static_assert(offsetof(TesselRunObject, resultFlags) == 98);
static_assert(offsetof(TesselRunObject, store) == 152);
static_assert(offsetof(TesselRunObject, betweenColumn) == 152 + P);
static_assert(sizeof(TesselRunObject) == 156 + P);

static_assert(offsetof(TesselHostContext, getFirstParameter) == 800);
static_assert(offsetof(TesselHostContext, getNextParameter) == 800 + P);
static_assert(offsetof(TesselHostContext, getStringSpace) == 832 + 2 * P);

static_assert(offsetof(TesselSetup, frameWidth) == 8);
static_assert(offsetof(TesselSetup, frameHeight) == 10);
static_assert(offsetof(TesselSetup, dimensionCount) == 12);
static_assert(offsetof(TesselSetup, xSize) == 16);
static_assert(offsetof(TesselSetup, ySize) == 20);
static_assert(offsetof(TesselSetup, caseSensitive) == 24);
static_assert(offsetof(TesselSetup, wildcard) == 28);
static_assert(offsetof(TesselSetup, listDelimiter) == 32);
static_assert(offsetof(TesselSetup, autoSelect) == 1058);
static_assert(sizeof(TesselSetup) == 1062);

static_assert(offsetof(TesselRunInfos, conditions) == 0);
static_assert(offsetof(TesselRunInfos, actions) == P);
static_assert(offsetof(TesselRunInfos, expressions) == 2 * P);
static_assert(offsetof(TesselRunInfos, conditionCount) == 3 * P);
static_assert(offsetof(TesselRunInfos, actionCount) == 3 * P + 2);
static_assert(offsetof(TesselRunInfos, expressionCount) == 3 * P + 4);
static_assert(offsetof(TesselRunInfos, setupSize) == 3 * P + 6);
static_assert(offsetof(TesselRunInfos, reserved0) == 3 * P + 8);
static_assert(offsetof(TesselRunInfos, hostByte) == 3 * P + 10);
static_assert(offsetof(TesselRunInfos, untouched) == 3 * P + 11);
static_assert(offsetof(TesselRunInfos, reserved1) == 3 * P + 12);
static_assert(offsetof(TesselRunInfos, identifier) == 3 * P + 14);
static_assert(offsetof(TesselRunInfos, reserved2) == 3 * P + 18);
static_assert(sizeof(TesselRunInfos) == 3 * P + 20);

static_assert(offsetof(TesselEditorContext, application) == P);
static_assert(offsetof(TesselEditorContext, drawTarget) == 3 * P);
static_assert(offsetof(TesselEditorContext, window) == 5 * P);
static_assert(sizeof(TesselEditorContext) == 6 * P);
static_assert(sizeof(TesselInfos) == 12 && offsetof(TesselInfos, kinds) == 4 && offsetof(TesselInfos, titles) == 8);
static_assert(sizeof(TesselRect) == 16 && offsetof(TesselRect, right) == 8);

#if defined(__i386__) || defined(_M_IX86) || defined(__wasm32__)
// The host's own numbers. The workbench page's host (WebAssembly) has the
// same records: 32-bit pointers and table indexes in every pointer field.
static_assert(sizeof(void*) == 4 && sizeof(void (*)()) == 4 && sizeof(intptr_t) == 4);
static_assert(sizeof(TesselRunObject) == 160 && offsetof(TesselRunObject, betweenColumn) == 156);
static_assert(offsetof(TesselHostContext, getNextParameter) == 804);
static_assert(offsetof(TesselHostContext, getStringSpace) == 840);
static_assert(sizeof(TesselRunInfos) == 32 && offsetof(TesselRunInfos, actions) == 4 &&
              offsetof(TesselRunInfos, expressions) == 8 && offsetof(TesselRunInfos, conditionCount) == 12 &&
              offsetof(TesselRunInfos, setupSize) == 18 && offsetof(TesselRunInfos, hostByte) == 22 &&
              offsetof(TesselRunInfos, identifier) == 26 && offsetof(TesselRunInfos, reserved2) == 30);
static_assert(sizeof(TesselEditorContext) == 24 && offsetof(TesselEditorContext, window) == 20);
#else
static_assert(sizeof(TesselRunObject) == 164 && offsetof(TesselRunObject, betweenColumn) == 160);
static_assert(offsetof(TesselHostContext, getNextParameter) == 808);
static_assert(offsetof(TesselHostContext, getStringSpace) == 848);
static_assert(sizeof(TesselRunInfos) == 44 && offsetof(TesselRunInfos, identifier) == 38);
#endif

}  // namespace tessel::layout
